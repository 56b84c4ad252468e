// Every message box and common dialog of the program passes through this interface:
// the program shows Qt dialogs, the tests answer from a script.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace folivex {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void Warning(const QString& text) = 0;     // caption "警告", OK
    virtual void WarningYes(const QString& text) = 0;  // caption "警告", はい(&Y) only
    virtual bool Confirm(const QString& text) = 0;     // caption "確認", はい(&Y)/いいえ(&N)
    virtual void ConfirmOk(const QString& text) = 0;   // caption "確認", OK
    virtual void Information(const QString& text) = 0; // caption "情報", OK
    virtual void ErrorBox(const QString& text) = 0;    // caption "ｴﾗｰ", OK

    // Input box; nothing when cancelled.
    virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                            const QString& initial) = 0;
    // Open-file dialog; empty when cancelled. `filter` uses the "name|pattern" form.
    virtual QString OpenFile(const QString& folder, const QString& filter) = 0;
    virtual QStringList OpenFiles(const QString& folder, const QString& filter) = 0;
    virtual QString SaveFile(const QString& folder, const QString& filter) = 0;
    // Folder chooser "お好きなﾌｫﾙﾀﾞを選択して下さい。"; empty when cancelled.
    virtual QString BrowseForFolder(const QString& start) = 0;
    // Colour dialog; nothing when cancelled.
    virtual std::optional<QColor> ChooseColor(const QColor& initial) = 0;
};

// The program's dialogs (set once at start; tests install a scripted one).
Dialogs& AppDialogs();
void SetAppDialogs(Dialogs* dialogs);

// The one way an error reaches the screen. A box runs an event loop, and what fails while
// it is open (a resize that redraws a broken spread, a thumbnail painted, a queued command)
// would open its box on top, one per event: such a report waits for the open box to close,
// and a text already shown or waiting is not shown again.
void ShowErrorBox(const QString& text);

// Turns a "name|pattern|name|pattern" filter into Qt's "name (pattern);;..." form.
QString ToQtFilter(const QString& filter);

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Warning(const QString& text) override;
    void WarningYes(const QString& text) override;
    bool Confirm(const QString& text) override;
    void ConfirmOk(const QString& text) override;
    void Information(const QString& text) override;
    void ErrorBox(const QString& text) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& initial) override;
    QString OpenFile(const QString& folder, const QString& filter) override;
    QStringList OpenFiles(const QString& folder, const QString& filter) override;
    QString SaveFile(const QString& folder, const QString& filter) override;
    QString BrowseForFolder(const QString& start) override;
    std::optional<QColor> ChooseColor(const QColor& initial) override;

private:
    QWidget* parent_;
};

} // namespace folivex
