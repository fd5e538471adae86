// The window end to end on a Windows desktop (under Wine: tests/app/window-under-wine.sh), driven
// the way a user drives it: started with a log on its command line it shows its caption; Ctrl+S
// opens the save dialog, which paints; the name typed there gets exactly the bytes the converter
// writes for that log with the bias of the system's time zone.
//
// Usage: t2n_window_e2e WINDOW.exe [gtest options]

#include "cli/Cli.h"
#include "support/ChildProcess.h"
#include "support/GoldenLogs.h"
#include "system/Paths.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

using namespace t2ntest;

namespace {

std::string g_window; // the program under test, from the command line

constexpr wchar_t kCaption[] = L"Tallomer to NMEA Ver1.4 (C) The Tallo2NMEA developers";
// Wine starts a program in a few seconds; a busy machine may take ten times as long.
constexpr auto kPatience = std::chrono::seconds(90);

std::wstring TitleOf(HWND window)
{
    std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<std::size_t>(
        GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    return title;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD pid)
{
    struct Search {
        DWORD Pid;
        std::vector<HWND> Found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->Pid && IsWindowVisible(window))
                s->Found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Polls until `accept` takes one of the process's windows, or the patience runs out.
HWND WaitForWindow(DWORD pid, const std::function<bool(HWND)>& accept)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        for (HWND window : WindowsOf(pid))
            if (accept(window))
                return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// Polls until the window's thread has answered five messages in a row at once: it has gone back
// to its event loop, its load and first paint done.
bool WaitUntilResponsive(HWND window)
{
    int quick = 0;
    return WaitFor([&] {
        const auto sent = std::chrono::steady_clock::now();
        DWORD_PTR answer = 0;
        const bool answered =
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer) != 0;
        const bool atOnce =
            answered && std::chrono::steady_clock::now() - sent < std::chrono::milliseconds(100);
        quick = atOnce ? quick + 1 : 0;
        if (quick < 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return quick >= 5;
    });
}

INPUT Key(WORD virtualKey, WORD unit, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = unit;
    input.ki.dwFlags = flags;
    return input;
}

// Presses the keys in order and lets them go in reverse, as a chord (Ctrl+S).
void PressChord(const std::vector<WORD>& keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys)
        inputs.push_back(Key(key, 0, 0));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        inputs.push_back(Key(*key, 0, KEYEVENTF_KEYUP));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Types text as characters, whatever the keyboard layout: Japanese names included.
void TypeText(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        inputs.push_back(Key(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE));
        inputs.push_back(Key(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// How many colours the window shows on the screen, sampled on a grid of its inside: one (black,
// say) for a window whose contents were never painted.
std::size_t ColoursShown(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width < 16 || height < 16)
        return 0;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    std::set<COLORREF> colours;
    for (int y = height / 16; y < height; y += height / 16)
        for (int x = width / 16; x < width; x += width / 16)
            colours.insert(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colours.size();
}

// Steps as they pass, for the log of a run that hangs or fails.
void Step(const char* text)
{
    std::fprintf(stderr, "window e2e: %s\n", text);
    std::fflush(stderr);
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring out(utf8.size(), L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                            static_cast<int>(out.size()))));
    return out;
}

// What the converter writes for the log with the system zone's standard bias.
std::string ConverterOutput(const std::string& log, const std::string& out)
{
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    std::ostringstream sink;
    EXPECT_EQ(RunCli({"--bias", std::to_string(zone.Bias), log, "-o", out}, sink, sink), kCliOk)
        << sink.str();
    return ReadWholeFile(out);
}

// The window's process, ended at the end of a test that failed before the window closed.
class WindowEndToEnd : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        if (m_window == nullptr || !m_window->Running())
            return;
        const HANDLE process =
            OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(m_window->Id()));
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    // Starts the window with `log` on its command line.
    DWORD Start(const std::string& log)
    {
        ChildOptions quiet; // standard streams on the null device
        quiet.Out = quiet.Err = Stream{};
        m_window = std::make_unique<Child>(g_window, std::vector<std::string>{log}, quiet);
        return m_window->Started() ? static_cast<DWORD>(m_window->Id()) : 0;
    }
    // Asks the window to close and returns its exit code, or nothing if it does not end.
    std::optional<DWORD> Close(HWND window)
    {
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (!WaitFor([&] { return !m_window->Running(); }))
            return std::nullopt;
        return static_cast<DWORD>(m_window->Wait().Status);
    }

    std::unique_ptr<Child> m_window;
};

TEST_F(WindowEndToEnd, CtrlSWritesWhatTheConverterWrites)
{
    TempDir dir;
    // Japanese folder and file names on both sides, as the users' are.
    const std::string log = dir.Write("ログ/golden-block.bin", GoldenBlockLog());
    const std::string expected = ConverterOutput(log, dir.Write("converter.nmea", {}));
    ASSERT_FALSE(expected.empty());
    dir.Write("出力/keep", {});
    const std::string target =
        Utf8Path((dir.Path() / NativePath("出力/変換結果.nmea")).make_preferred());

    const DWORD pid = Start(log);
    const HWND main = WaitForWindow(pid, [](HWND w) { return TitleOf(w) == kCaption; });
    ASSERT_NE(main, nullptr) << "no window with the caption";
    Step("the window shows its caption");
    // Keys pressed while the window loads or first paints are held back and replayed once it is
    // done, when Ctrl is already up: Ctrl+S would arrive as a plain S.
    ASSERT_TRUE(WaitUntilResponsive(main)) << "the window stays busy";
    Step("the window answers at once");

    // Keys go to the window in front: wait until it is the window's.
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; })) << "not in front";
    PressChord({VK_CONTROL, 'S'});
    const HWND dialog = WaitForWindow(pid, [&](HWND w) { return w != main; });
    ASSERT_NE(dialog, nullptr) << "Ctrl+S opened no dialog";
    Step("Ctrl+S opened a dialog");
    ASSERT_TRUE(WaitFor([&] { return ColoursShown(dialog) > 2; }))
        << "the dialog stays unpainted: " << ColoursShown(dialog) << " colour(s)";
    Step("the dialog is painted");

    // The name field has the focus and the proposed name: select it all, type over it, Enter.
    SetForegroundWindow(dialog);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; })) << "not in front";
    PressChord({VK_HOME});
    PressChord({VK_SHIFT, VK_END});
    TypeText(Wide(target));
    PressChord({VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(target) == expected; }))
        << ReadWholeFile(target).size() << " bytes written, " << expected.size() << " expected";
    Step("the file is written");
    EXPECT_EQ(Close(main), std::optional<DWORD>(0));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: t2n_window_e2e WINDOW.exe [gtest options]\n");
        return 2;
    }
    g_window = argv[1];
    return RUN_ALL_TESTS();
}
