// Ending the application on the operator's request (a "Quit" answer).
#pragma once

#include <functional>

namespace platform {

// Any thread: asks the application to end, from the main thread's event loop.
void requestTermination();
// Tests watch the request instead of ending the run. Pass nullptr to restore the default.
void setTerminationHandler(std::function<void()> handler);

} // namespace platform
