#include "platform/threads.h"
#include "platform/trace.h"

#include <process.h>

#include <memory>

namespace zephrin {
namespace {

unsigned __stdcall RunBody(void* arg) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
    try {
        (*body)();
    } catch (...) {
        // Nothing may leave a thread: a failure here ends only this thread's work.
        TraceSwallowed(L"a thread's work failed");
    }
    return 0;
}

}  // namespace

Thread::Thread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    // The C runtime's own entry, so that its per-thread data is set up and freed.
    const uintptr_t h = _beginthreadex(nullptr, 0, &RunBody, owned.get(), 0, nullptr);
    if (h == 0) return;
    owned.release();  // the thread owns it now
    handle_.reset(reinterpret_cast<HANDLE>(h));
}

void Thread::Join() {
    if (!handle_) return;
    WaitForSingleObject(handle_.get(), INFINITE);
    handle_.reset();
}

}  // namespace zephrin
