// Program entry: either hands the argument to the running instance and ends, or becomes
// the running instance and shows the main window.
#include "app/Application.h"
#include "app/FormatsReport.h"
#include "app/MainForm.h"
#include "app/MessagePatterns.h"
#include "app/PathText.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "app/TextDump.h"
#include "core/Allocator.h"
#include "core/IniFile.h"
#include "core/Paths.h"
#include "ui/Dialogs.h"
#include "ui/Translation.h"
#include "view/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <iostream>

namespace {

// Paths are made absolute here, against this process's working folder: a running
// instance that gets them forwarded works in a folder of its own.
QStringList ArgumentsOf(int argc, char** argv) {
    std::error_code ec;
    const std::string workingFolder = std::filesystem::current_path(ec).string();
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool option = argument.starts_with("--");
        args << folivex::PathToText(option
                                        ? std::string(argument)
                                        : folivex::AbsoluteArgumentPath(argument, workingFolder));
    }
    return args;
}

// The interface language of this start: the options dialog's choice in the settings
// file, else the locale. Read before any window exists, as it takes effect at start.
void LoadLanguage() {
    using namespace folivex;
    const QString programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const IniFile ini(DataFolderFor(programFolder.toUtf8().toStdString()) + "Folmo.INI");
    LoadInterfaceLanguage(ReadLanguageSetting(ini), programFolder);
}

// The text of --help.
QString HelpText() {
    return QCoreApplication::translate(
        "CommandLine",
        "使い方: folivex [アルバムファイル | フォルダ | 書庫 | 画像ファイル]\n"
        "フォルダの画像を本のように表示します。\n"
        "\n"
        "  --formats  見つかったプラグインと読み込める画像ファイルのパターンを表示して終了します\n"
        "  --help     この説明を表示して終了します\n");
}

} // namespace

int main(int argc, char** argv) {
    using namespace folivex;
    KeepLargeBlocksMapped();
    const QStringList args = ArgumentsOf(argc, argv);
    if (args == QStringList{QStringLiteral("--help")}) {
        QCoreApplication core(argc, argv);
        LoadLanguage();
        std::cout << HelpText().toStdString();
        return 0;
    }
    if (args == QStringList{QString::fromLatin1(kFormatsOption)}) {
        QCoreApplication core(argc, argv);
        LoadLanguage();
        ReportReadableFormats(QCoreApplication::applicationDirPath().toStdString() + "/",
                              std::cout);
        return 0;
    }
    SingleInstance instance(SingleInstance::DefaultRuntimeFolder());
    if (!instance.TryLock()) {
        // A second start needs no window: only the socket to the running instance.
        QCoreApplication core(argc, argv);
        instance.ForwardToRunningInstance(args);
        return 0;
    }
    Application app(argc, argv);
    LoadLanguage();
    RegisterProgramMessages();
    TextDump::InstallFromEnvironment();
    TfrmFXMainForm* form = nullptr;
    // Second starts may connect from now on, but their albums wait until the window, the
    // contents page and the album commands exist and the start-up boxes are answered.
    instance.Hold();
    instance.Listen([&form](const std::optional<QString>& path) {
        if (form)
            form->ReceiveForwarded(path);
    });
    QtDialogs dialogs;
    SetAppDialogs(&dialogs);

    MainFormOptions options;
    options.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    options.dataFolder =
        QString::fromStdString(DataFolderFor(options.programFolder.toUtf8().toStdString()));
    options.arguments = args;
    TfrmFXMainForm main(options);
    form = &main;
    dialogs.SetParent(&main);
    CloseOnQuitSignals(&main);
    try {
        main.FormCreate();
    } catch (const std::exception& e) {
        Application::ReportError(e);
    }
    main.show();
    main.RestoreFullScreen();
    QTimer::singleShot(0, &main, [&instance] { instance.Release(); });
    const int rc = app.exec();
    form = nullptr;
    return rc;
}
