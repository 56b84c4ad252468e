// A Dialogs implementation for tests: records every box and answers from queues.
#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <vector>

namespace folivex {

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "警告", "警告はい", "確認", "確認OK", "情報", "ｴﾗｰ", "input", ...
        QString text;
    };

    std::vector<Shown> shown;
    std::deque<bool> confirmAnswers;                 // default: はい
    std::deque<std::optional<QString>> inputAnswers; // default: cancelled
    std::deque<QString> fileAnswers;                 // default: cancelled
    std::deque<QStringList> filesAnswers;            // default: cancelled
    std::deque<QString> folderAnswers;               // default: cancelled
    std::deque<std::optional<QColor>> colorAnswers;  // default: cancelled

    void Warning(const QString& text) override { shown.push_back({"警告", text}); }
    void WarningYes(const QString& text) override { shown.push_back({"警告はい", text}); }
    bool Confirm(const QString& text) override {
        shown.push_back({"確認", text});
        return Pop(confirmAnswers, true);
    }
    void ConfirmOk(const QString& text) override { shown.push_back({"確認OK", text}); }
    void Information(const QString& text) override { shown.push_back({"情報", text}); }
    void ErrorBox(const QString& text) override { shown.push_back({"ｴﾗｰ", text}); }
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString&) override {
        shown.push_back({"input", caption + "|" + prompt});
        return Pop(inputAnswers, std::optional<QString>());
    }
    QString OpenFile(const QString& folder, const QString& filter) override {
        shown.push_back({"open", folder + "|" + filter});
        return Pop(fileAnswers, QString());
    }
    QStringList OpenFiles(const QString& folder, const QString& filter) override {
        shown.push_back({"openmany", folder + "|" + filter});
        return Pop(filesAnswers, QStringList());
    }
    QString SaveFile(const QString& folder, const QString& filter) override {
        shown.push_back({"save", folder + "|" + filter});
        return Pop(fileAnswers, QString());
    }
    QString BrowseForFolder(const QString& start) override {
        shown.push_back({"folder", start});
        return Pop(folderAnswers, QString());
    }
    std::optional<QColor> ChooseColor(const QColor&) override {
        shown.push_back({"color", QString()});
        return Pop(colorAnswers, std::optional<QColor>());
    }

    QString LastText() const { return shown.empty() ? QString() : shown.back().text; }

private:
    template <typename Q, typename T> static T Pop(Q& q, T fallback) {
        if (!q.empty()) {
            fallback = std::move(q.front());
            q.pop_front();
        }
        return fallback;
    }
};

} // namespace folivex
