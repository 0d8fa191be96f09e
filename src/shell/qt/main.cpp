// The program's entry: the Qt front end, the engine library beside the
// program, and the start-up sequence.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "download/engine_library.h"
#include "services/http_client.h"
#include "shell/native_path.h"
#include "shell/qt/qt_surface.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quarrow::QtSurface surface;
    surface.setUrlFetcher(quarrow::fetchUrl);
    // Without its engine the program cannot work: say which library or
    // function is missing, then stop.
    auto engineMissing = [&surface](const std::string& message) {
        surface.messageBox(message, "错误");
        std::fflush(nullptr);
        std::_Exit(EXIT_FAILURE);
    };
    quarrow::EngineLibrary engine(quarrow::joinPath(surface.programDirectory(), quarrow::kEngineLibraryName),
                                  engineMissing);
    return quarrow::startUp(surface, engine);
}
