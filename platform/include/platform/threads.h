#pragma once
// Threads, a lock and an event on the system's own primitives. The compiler's
// Win32 thread model, which imports nothing newer than Windows 2000, has no
// std::thread, std::mutex or std::condition_variable.
#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace zephrin {

class Mutex {
public:
    Mutex() { InitializeCriticalSection(&section_); }
    ~Mutex() { DeleteCriticalSection(&section_); }
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void Lock() { EnterCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a Mutex for one scope; Unlock and Relock let a scope step out for a while.
class Locked {
public:
    explicit Locked(Mutex& m) : mutex_(m) { mutex_.Lock(); }
    ~Locked() {
        if (held_) mutex_.Unlock();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    void Unlock() {
        mutex_.Unlock();
        held_ = false;
    }
    void Relock() {
        mutex_.Lock();
        held_ = true;
    }

private:
    Mutex& mutex_;  // borrowed
    bool held_ = true;
};

// A manual-reset event: once set, every wait returns at once.
class Event {
public:
    Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void Set() { SetEvent(handle_.get()); }
    // True when set within `ms` milliseconds (INFINITE waits for ever).
    bool Wait(DWORD ms) { return WaitForSingleObject(handle_.get(), ms) == WAIT_OBJECT_0; }

private:
    UniqueHandle handle_;
};

// Runs a function on a thread of its own. The destructor waits for it unless
// it was let go with Detach. A failure to start leaves the thread not joinable.
class Thread {
public:
    Thread() = default;
    explicit Thread(std::function<void()> body);
    ~Thread() { Join(); }
    Thread(Thread&& other) noexcept : handle_(std::move(other.handle_)) {}
    Thread& operator=(Thread&& other) noexcept {
        if (this != &other) {
            Join();
            handle_ = std::move(other.handle_);
        }
        return *this;
    }
    bool Joinable() const { return static_cast<bool>(handle_); }
    void Join();
    void Detach() { handle_.reset(); }

private:
    UniqueHandle handle_;
};

}  // namespace zephrin
