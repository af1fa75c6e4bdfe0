#pragma once
// Watches the windows that the capture creates on this thread through a
// computer-based-training hook: what was created, whether it was ever shown,
// and whether it was destroyed.
#include <windows.h>

#include <string>

struct ProbeWatch {
    int created = 0;
    int destroyed = 0;
    bool everVisible = false;
    std::wstring title;

    ProbeWatch() {
        current() = this;
        hook = SetWindowsHookExW(WH_CBT, onEvent, nullptr, GetCurrentThreadId());
    }
    ~ProbeWatch() {
        if (hook)
            UnhookWindowsHookEx(hook);
        current() = nullptr;
    }
    ProbeWatch(const ProbeWatch&) = delete;
    ProbeWatch& operator=(const ProbeWatch&) = delete;

    bool hooked() const { return hook != nullptr; }

    static bool classRegistered() {
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        return GetClassInfoExW(GetModuleHandleW(nullptr), L"KivrenProbe", &info) != FALSE;
    }
    // A probe window of this process: other test programs running at the same
    // time on the same display make their own.
    static bool windowExists() {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"KivrenProbe", nullptr)) != nullptr) {
            DWORD process = 0;
            GetWindowThreadProcessId(found, &process);
            if (process == GetCurrentProcessId())
                return true;
        }
        return false;
    }

private:
    static ProbeWatch*& current() {
        static ProbeWatch* watch = nullptr;
        return watch;
    }

    static bool isProbe(HWND window) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        return std::wstring(name) == L"KivrenProbe";
    }

    static LRESULT CALLBACK onEvent(int code, WPARAM wParam, LPARAM lParam) {
        ProbeWatch* watch = current();
        const auto window = reinterpret_cast<HWND>(wParam);
        if (watch && code >= 0 && isProbe(window)) {
            if (code == HCBT_CREATEWND) {
                const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
                ++watch->created;
                if (create->lpszName)
                    watch->title = create->lpszName;
                watch->everVisible |= (create->style & WS_VISIBLE) != 0;
            } else if (code == HCBT_ACTIVATE || code == HCBT_SETFOCUS) {
                watch->everVisible = true;
            } else if (code == HCBT_DESTROYWND) {
                ++watch->destroyed;
                watch->everVisible |= IsWindowVisible(window) != FALSE;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK hook = nullptr;
};
