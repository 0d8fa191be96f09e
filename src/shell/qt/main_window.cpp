#include "shell/qt/main_window.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "shell/qt/qt_text.h"

namespace quarrow {
namespace {

const std::vector<ListView::Column> kDownloadColumns = {
    {"     文件名", 110}, {"文件总大小", 130}, {"已下载速度", 130}, {"下载速度", 110}, {"下载进度", 110}, {"是否完成", 110},
};

template <typename Enum>
constexpr std::size_t at(Enum value) {
    return static_cast<std::size_t>(value);
}

QMenu* addMenu(QWidget* window, const char* name, std::initializer_list<std::pair<const char*, MenuItem>> items) {
    auto* menu = new QMenu(window);
    menu->setObjectName(QString::fromLatin1(name));
    // A "&" in an item text marks the next character as the item's
    // mnemonic, as on the platform the texts were written for.
    for (const auto& [text, item] : items) menu->addAction(toQt(text))->setData(static_cast<int>(item));
    return menu;
}

// Controls that nothing reads, writes or answers; they lie outside the
// window's area.
void addInertControls(QWidget* window) {
    addEditBox(window, "scratchBox", {136, 928, 528, 384});
    // The download list's columns, without the leading spaces of the first title.
    std::vector<ListView::Column> spareColumns = kDownloadColumns;
    spareColumns[0].title = "文件名";
    auto* spareList = new ListView(window, "spareList", spareColumns, false);
    placeControl(spareList, {536, 624, 704, 480});
    addButton(window, nullptr, "添加链接到下载", {-16, 816, 144, 24});
    addButton(window, nullptr, "", {336, 832, 88, 48});
    addButton(window, nullptr, "", {208, 928, 80, 40});
    addButton(window, nullptr, "", {312, 1024, 104, 56});
    addEditBox(window, nullptr, {168, 832, 264, 48});
    addEditBox(window, nullptr, {376, 936, 88, 40});
    addLabel(window, "", {696, 808, 96, 40}, false);
    addLabel(window, "", {264, 936, 112, 40}, false);
    addLabel(window, "验证码：", {640, 816, 40, 16}, true);
    addLabel(window, "", {704, 888, 80, 24}, false);
}

}  // namespace

MainWindow buildMainWindow() {
    MainWindow main;
    main.window = std::make_unique<TopWindow>(nullptr, Qt::Window);
    QWidget* window = main.window.get();
    window->setObjectName(QStringLiteral("mainWindow"));
    window->setWindowTitle(toQt("Quarrow_313"));
    // The controls sit at fixed places, so the window keeps its size.
    window->setFixedSize(kMainWindowSize);

    auto& lists = main.lists;
    lists[at(List::fileList)] = new ListView(
        window, "fileList",
        {{"序号", 50}, {"名称", 300}, {"大小", 120}, {"FS_ID", 0}, {"文件夹打开路径", 0}, {"shareid", 0}}, true);
    lists[at(List::linkList)] =
        new ListView(window, "linkList", {{"序号", 50}, {"名称", 275}, {"下载链接", 150}, {"zip", 0}}, false);
    lists[at(List::downloadList)] = new ListView(window, "downloadList", kDownloadColumns, false);
    lists[at(List::selectionList)] = new ListView(window, "selectionList", {{"选中", 100}, {"fs", 50}}, false);
    placeControl(lists[at(List::fileList)], {0, 0, 480, 216});
    placeControl(lists[at(List::linkList)], {0, 264, 480, 208});
    placeControl(lists[at(List::downloadList)], {480, 0, 704, 504});
    placeControl(lists[at(List::selectionList)], {-16, 920, 112, 184});

    auto& boxes = main.boxes;
    auto& buttons = main.buttons;
    addLabel(window, "链接：", {8, 224, 40, 32}, true);
    boxes[at(Box::linkBox)] = addEditBox(window, "linkBox", {40, 224, 152, 32});
    addLabel(window, "密码：", {200, 216, 32, 48}, true);
    boxes[at(Box::passwordBox)] = addEditBox(window, "passwordBox", {232, 224, 88, 32});
    buttons[at(Button::getButton)] = addButton(window, "getButton", "获取", {328, 224, 72, 32});
    buttons[at(Button::clipboardButton)] = addButton(window, "clipboardButton", "剪贴板", {408, 224, 64, 32});
    addLabel(window, "下载目录：", {0, 480, 56, 24}, false);
    boxes[at(Box::folderBox)] = addEditBox(window, "folderBox", {64, 480, 304, 24}, true);
    buttons[at(Button::browseButton)] = addButton(window, "browseButton", "浏览...", {376, 480, 96, 24});

    addLabel(window, "下载地址：", {392, 616, 72, 24}, false);
    boxes[at(Box::downloadUrlBox)] = addEditBox(window, "downloadUrlBox", {456, 616, 384, 24});
    addLabel(window, "文件名：", {392, 648, 56, 24}, false);
    boxes[at(Box::fileNameBox)] = addEditBox(window, "fileNameBox", {456, 648, 128, 24});
    buttons[at(Button::downloadButton)] = addButton(window, "downloadButton", "下载", {848, 616, 96, 24});
    boxes[at(Box::linksTextBox)] = addEditBox(window, "linksTextBox", {-32, 864, 480, 160}, true);
    buttons[at(Button::copyLinksButton)] = addButton(window, "copyLinksButton", "复制链接", {112, 952, 144, 24});
    buttons[at(Button::pathConfigButton)] = addButton(window, "pathConfigButton", "下载路径配置", {256, 952, 152, 24});

    addInertControls(window);

    main.menus[at(Menu::fileMenu)] = addMenu(window, "fileMenu",
                                             {{"全选", MenuItem::selectAll},
                                              {"解析勾选", MenuItem::resolveTicked},
                                              {"解析为压缩文件", MenuItem::resolveArchive},
                                              {"进入文件夹", MenuItem::enterFolder},
                                              {"返回上一页文件夹", MenuItem::goBack},
                                              {"取消全部选择", MenuItem::clearSelection},
                                              {"全部删除", MenuItem::clearAll}});
    main.menus[at(Menu::linkMenu)] = addMenu(window, "linkMenu",
                                             {{"复制选中链接", MenuItem::copySelectedLink},
                                              {"下载选中链接", MenuItem::downloadSelectedLink},
                                              {"导出全部纯链接", MenuItem::exportPlainLinks},
                                              {"导出全部&_名&+链接", MenuItem::exportNamedLinks}});
    main.menus[at(Menu::downloadMenu)] = addMenu(window, "downloadMenu",
                                                 {{"暂停", MenuItem::pauseCommand},
                                                  {"继续", MenuItem::resumeCommand},
                                                  {"删除", MenuItem::deleteCommand},
                                                  {"删除临时文件", MenuItem::deleteTempCommand}});
    return main;
}

}  // namespace quarrow
