// A test seam: with FOLIVEX_TEXT_DUMP=FILE in the environment, every window and menu the
// program shows (a window again when one of its pages is brought forward) appends the
// texts a person reads in it to FILE (UTF-8, one text a line,
// "window: ", "menu: ", "item: ", "text: " and "hint: " in front), so the end-to-end
// tests can read the interface's words without an accessibility bus. Without the
// variable nothing is installed.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace folivex {

class TextDump : public QObject {
    Q_OBJECT
public:
    // Installs the dump on the application when the variable names a file.
    static void InstallFromEnvironment();

    explicit TextDump(QString path, QObject* parent = nullptr);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DumpWindow(QWidget* window);
    void Append(const QStringList& lines);

    QString path_;
};

} // namespace folivex
