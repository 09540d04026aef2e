// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Find and Replace dialogs share: a fixed frame with a close box only, controls
// placed in twips (15 twips are one pixel at 96 dots per inch), and Windows' button rules
// for Enter: a focused push button is pressed, and there is no default button elsewhere.
#include <QRect>
#include <QString>

#include <initializer_list>

class QDialog;
class QKeyEvent;
class QWidget;

constexpr int kTwipsPerPixel = 15;

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// One control's place: its object name and its rectangle in twips, relative to its parent.
struct TwipsPlace {
    const char* name;
    int left, top, width, height;
};

// A child control with its object name and caption.
template <class W>
W* makeControl(QWidget* parent, const char* name, const QString& caption = {})
{
    auto* w = new W(caption, parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Fixed client size in twips, caption bar with a close box only, unloaded when closed,
// and the 9-point dialog font the twips layout was drawn for.
void setUpFixedDialog(QDialog* dialog, int clientWidth, int clientHeight);

// Sets the geometry of each named child of `root`; every name must exist.
void placeControls(QWidget* root, std::initializer_list<TwipsPlace> places);

// Switches off QDialog's auto-default push buttons, so no button is pressed by Enter
// unless it has the focus.
void removeDefaultButtons(QDialog* dialog);

// Enter or Return on a focused push button presses it; true when the key was Enter/Return.
bool pressFocusedButton(QDialog* dialog, QKeyEvent* event);
