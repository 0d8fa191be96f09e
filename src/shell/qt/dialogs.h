#pragma once

// The platform's standard dialogs: message boxes and the folder chooser.

#include <QString>

class QWidget;

namespace quarrow {

// A message box with one OK button and no icon. Without an owner it blocks
// the whole program; with one it blocks its owner. A positive timeoutMs
// closes it by itself after that many milliseconds. Runs the event loop
// until the box closes.
void runMessageBox(QWidget* owner, const QString& text, const QString& title, int timeoutMs = 0);

// A folder chooser showing the prompt, with a field to type a path in.
// Returns the chosen folder without a trailing separator (the root keeps its
// one), or an empty text when the user cancels.
QString chooseFolder(QWidget* owner, const QString& prompt);

}  // namespace quarrow
