// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A dialog platform that keeps a copy of every record it is handed and answers
// as the test scripts it: no answer is a cancelled dialog.
#include "dialogs/dialog_platform.h"
#include "dialogs/tesmo_dialog.h"
#include "dialogs/tesmo_error.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

class FakeDialogPlatform : public tesmo::DialogPlatform {
public:
    // Each answer writes into the record as a dialog would and returns its result.
    std::function<bool(tesmo::OpenFileName&)> fileAnswer;
    std::function<bool(QByteArray&)> folderAnswer;
    std::function<bool(tesmo::ChooseColor&)> colorAnswer;
    std::function<bool(tesmo::ChooseFont&)> fontAnswer;

    std::vector<tesmo::OpenFileName> openCalls, saveCalls;
    std::vector<tesmo::BrowseInfo> folderCalls;
    std::vector<QByteArray> folderBuffers;
    std::vector<tesmo::ChooseColor> colorCalls;
    std::vector<tesmo::ChooseFont> fontCalls;
    std::vector<tesmo::LogFont> logFonts;

    qint32 moduleInstance() const override { return 0x400000; }
    QString programFolder() const override { return QStringLiteral("/opt/subbig5"); }
    bool getOpenFileName(tesmo::OpenFileName& r) override { return answer(openCalls, r, fileAnswer); }
    bool getSaveFileName(tesmo::OpenFileName& r) override { return answer(saveCalls, r, fileAnswer); }
    bool browseForFolder(tesmo::BrowseInfo& info, QByteArray& buffer) override
    {
        folderCalls.push_back(info);
        return answer(folderBuffers, buffer, folderAnswer);
    }
    bool chooseColor(tesmo::ChooseColor& r) override { return answer(colorCalls, r, colorAnswer); }
    bool chooseFont(tesmo::ChooseFont& r) override
    {
        if (r.logFont)
            logFonts.push_back(*r.logFont);
        return answer(fontCalls, r, fontAnswer);
    }

    // The user picks this path, or folder, or colour in the next dialogs.
    void chooseFile(const QByteArray& path)
    {
        fileAnswer = [path](tesmo::OpenFileName& r) { r.file.replace(0, path.size() + 1, path + '\0'); return true; };
    }
    void chooseFolder(const QByteArray& path)
    {
        folderAnswer = [path](QByteArray& buffer) {
            buffer = path + QByteArray(std::max<qsizetype>(1, buffer.size() - path.size()), '\0');
            return true;
        };
    }
    void chooseColorRef(qint32 value)
    {
        colorAnswer = [value](tesmo::ChooseColor& r) { r.rgbResult = value; return true; };
    }
    void cancelAll()
    {
        fileAnswer = nullptr;
        folderAnswer = nullptr;
        colorAnswer = nullptr;
        fontAnswer = nullptr;
    }

private:
    template <class Record>
    static bool answer(std::vector<Record>& calls, Record& r, const std::function<bool(Record&)>& script)
    {
        calls.push_back(r);
        return script && script(r);
    }
};

// A TesmoDialog on a fake platform; the thread's error record starts and ends clear.
class TesmoTest : public ::testing::Test {
protected:
    void SetUp() override { TesmoError::clear(); }
    void TearDown() override { TesmoError::clear(); }

    FakeDialogPlatform fake;
    TesmoDialog d{fake};
};
