#pragma once

class QApplication;

namespace velm {

// The program's start: title, the hidden update window as main window, the
// safety gate shown modally, a quit request when it was not confirmed, then
// the message loop, which shows the update window. Returns the loop's code.
int runStartSequence(QApplication& application);

}  // namespace velm
