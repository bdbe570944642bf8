#pragma once
#include <functional>

// How a tool dialog runs the work behind one of its own buttons: through the main
// window's RunCommand, so that a file error or a refusal raised there is shown
// the same way as for a menu command, and the dialog stays open.
using CommandRunner = std::function<void(const std::function<void()>& command)>;
