// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Find dialog (caption 尋找): modeless, owned by the main window, unloaded when closed,
// so every opening starts fresh with 全部 selected and focused. Its button copies the
// compare mode and the text into the main window's find settings and runs the main
// window's FindText; the dialog itself never shows a message.
//
// Object names are the control names; the direction options are "optDirection0" to
// "optDirection2" (index = FindMode), inside the group box "frmDirection".
#include "find/find_engine.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Name of the per-user settings store (SubBig5/SubBig5.ini in the user's config folder,
// INI form); the same product name titles the main window's messages.
inline constexpr char kSettingsApplication[] = SUBBIG5_PRODUCT_NAME;

class Form3 : public QDialog {
    Q_OBJECT
public:
    Form3(find::FindSettings& settings, std::function<void()> findText, QWidget* owner);

    void txtFind_Change();
    void txtFind_GotFocus();
    void optDirection_Click(int Index);
    void cmdFind_Click();
    void cmdCancel_Click();
    // Stores the window's screen position ("Find"/"Top", "Find"/"Left", in twips) on every
    // unload; a store that cannot be written is ignored and the unload goes on.
    void Form_QueryUnload();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;

private:
    void createControls();
    void connectControls();

    find::FindSettings& settings_;
    std::function<void()> findText_;

    QLabel* lblS = nullptr;
    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdCancel = nullptr;
    QCheckBox* chkUL = nullptr;
    QGroupBox* frmDirection = nullptr;
    std::array<QRadioButton*, 3> optDirection{};
};
