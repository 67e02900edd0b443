// Message-sequence recording for the toolkit's window tests, after the manner of Wine's
// user32 msg.c: controls log what reaches them, and a test compares the messages it cares
// about with an expected table.
#pragma once

#include "toolkit/control.h"
#include "toolkit/dispatch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// Which parts of an expected entry are compared.
enum : unsigned { kMessageOnly = 0, kWParam = 1, kLParam = 2, kBoth = 3 };

struct LoggedMessage {
    std::string who;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    unsigned check; // used in expected tables only
};

class MessageLog {
  public:
    void Add(const std::string& who, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        entries_.push_back({who, message, wParam, lParam, kBoth});
    }
    void Clear() { entries_.clear(); }
    const std::vector<LoggedMessage>& Entries() const { return entries_; }

    // The logged messages whose numbers are in `interesting`, in order.
    std::vector<LoggedMessage> Only(std::initializer_list<UINT> interesting) const {
        std::vector<LoggedMessage> kept;
        for (const LoggedMessage& m : entries_) {
            for (const UINT wanted : interesting) {
                if (m.message == wanted) {
                    kept.push_back(m);
                    break;
                }
            }
        }
        return kept;
    }

    size_t Count(const std::string& who, UINT message) const {
        size_t n = 0;
        for (const LoggedMessage& m : entries_)
            n += m.who == who && m.message == message;
        return n;
    }

    static std::string Describe(const std::vector<LoggedMessage>& list) {
        std::string text;
        for (const LoggedMessage& m : list) {
            char line[160];
            std::snprintf(line, sizeof line, "  %s 0x%04X wp=%llx lp=%llx\n", m.who.c_str(), m.message,
                          static_cast<unsigned long long>(m.wParam),
                          static_cast<unsigned long long>(m.lParam));
            text += line;
        }
        return text;
    }

  private:
    std::vector<LoggedMessage> entries_;
};

// Compares a recorded sequence with an expected table, entry by entry.
inline ::testing::AssertionResult SameSequence(const std::vector<LoggedMessage>& expected,
                                               const std::vector<LoggedMessage>& got) {
    bool same = expected.size() == got.size();
    for (size_t i = 0; same && i < expected.size(); ++i) {
        const LoggedMessage& e = expected[i];
        const LoggedMessage& g = got[i];
        same = e.who == g.who && e.message == g.message && (!(e.check & kWParam) || e.wParam == g.wParam) &&
               (!(e.check & kLParam) || e.lParam == g.lParam);
    }
    if (same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected:\n"
                                         << MessageLog::Describe(expected) << "got:\n"
                                         << MessageLog::Describe(got);
}

// Logs every message that reaches a control through its OnMessage event, under a name.
struct Recorder {
    MessageLog* log;
    std::string name;

    static bool Record(void* context, toolkit::MessageRecord& msg, LRESULT& /*result*/) {
        Recorder* const self = static_cast<Recorder*>(context);
        self->log->Add(self->name, msg.Message, msg.WParam, msg.LParam);
        return false;
    }
    void Attach(toolkit::Control* control) { control->OnMessage.Set(Record, this); }
};

inline BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

// Windows of this thread still alive (top-level; children go with them).
inline int CountThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Removes what is queued for this thread (the release messages of destroyed main windows)
// without the toolkit's loop, which would also look at WM_QUIT.
inline void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace testsupport
