#pragma once

class QApplication;

namespace velm {

inline constexpr int kUpdateAlreadyRunningCode = 3;

// The program's start: title, the hidden update window as main window, the
// safety gate shown modally, a quit request when it was not confirmed, then
// the message loop, which shows the update window. Returns the loop's code.
// Another copy running in the same folder is told in a box, and the start
// ends there with kUpdateAlreadyRunningCode. A folder where the lock's file
// cannot even be opened (it takes no new file) starts unguarded: no copy
// could write there anyway.
int runStartSequence(QApplication& application);

}  // namespace velm
