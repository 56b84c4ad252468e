// A main window created in a temporary program folder, with scripted dialogs, for the
// window tests.
#pragma once

#include "app/MainForm.h"
#include "ui/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace folivex {

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SetAppDialogs(&dialogs_);
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    // After FormCreate; shown when `show` is set (FormShow runs then).
    std::unique_ptr<TfrmFXMainForm> CreateForm(bool show) {
        MainFormOptions o;
        o.programFolder = o.dataFolder = dir_.path() + QLatin1Char('/');
        o.screenWidth = 1024;
        o.screenHeight = 768;
        auto form = std::make_unique<TfrmFXMainForm>(o);
        form->FormCreate();
        if (show)
            form->show();
        return form;
    }

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
};

} // namespace folivex
