#include "shell/qt/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

namespace quarrow {

void runMessageBox(QWidget* owner, const QString& text, const QString& title, int timeoutMs) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (timeoutMs > 0) {
        QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &box, [&box] {
            if (box.isVisible()) box.done(QMessageBox::Ok);
        });
    }
    box.exec();
}

QString chooseFolder(QWidget* owner, const QString& prompt) {
    QFileDialog dialog(owner, prompt);
    // Qt's own dialog on every platform: it has the path field and shows the
    // prompt as its title.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    return QDir::cleanPath(chosen.first());
}

}  // namespace quarrow
