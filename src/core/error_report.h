#pragma once

#include <QString>

#include <exception>
#include <functional>

class Messages;

// Runs one user action. Any error it raises ends the action and is shown as an error message; the
// caller then returns to the event loop with the screen as it stands. Returns false when the action
// failed.
bool run_guarded(Messages& messages, const std::function<void()>& action);

// The text shown for an exception that escaped an action.
QString error_text(const std::exception_ptr& error);
