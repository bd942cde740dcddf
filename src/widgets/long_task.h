#pragma once

namespace vdn {

// A long task under way in the GUI thread. Its progress window handles
// events while it runs, so that a close request (the main window's
// "&Quitter", a window's own close) could reach a handler that deletes the
// window whose code is still on the stack. While any task runs, closing a
// window other than a dialog is refused and remembered; once the last task
// has ended, each remembered window is asked to close again, from the event
// loop, after the task's handler has returned. Declared at the top of a
// handler that runs a task, it covers what the handler does after the task
// (its end message) as well.
class LongTask {
public:
    LongTask();
    ~LongTask();
    LongTask(const LongTask&) = delete;
    LongTask& operator=(const LongTask&) = delete;

    // Whether a long task is under way (any thread may ask).
    static bool running();
};

} // namespace vdn
