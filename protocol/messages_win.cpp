#include "protocol/messages_win.h"

#include "common/text.h"

namespace lumo {

const RegisteredMessages& Messages() {
    static const RegisteredMessages messages = [] {
        RegisteredMessages m;
        m.operate = RegisterWindowMessageW(L"LumoOperateMessage");
        m.goBack = RegisterWindowMessageW(L"GoBack");
        m.goForward = RegisterWindowMessageW(L"GoForward");
        m.goStop = RegisterWindowMessageW(L"GoStop");
        m.goRefresh = RegisterWindowMessageW(L"GoRefresh");
        m.embed = RegisterWindowMessageW(L"LumoEmbedMessage");
        m.hide = RegisterWindowMessageW(L"LumoHideMessage");
        for (const wchar_t* reserved : {L"ProcessHwnd", L"TitleHwnd", L"CompletedHwnd",
                                        L"NavNewHwnd", L"ChildActive", L"ClearAdHwnd"}) {
            RegisterWindowMessageW(reserved);
        }
        return m;
    }();
    return messages;
}

namespace {

bool Send(HWND target, HWND sender, ULONG_PTR tag, const std::string& bytes,
          UINT timeoutMs = kTextCommandTimeoutMs, DWORD_PTR* answer = nullptr) {
    if (!target || bytes.size() > kMaxTextCommandBytes)
        return false;
    COPYDATASTRUCT cds{};
    cds.dwData = tag;
    cds.cbData = static_cast<DWORD>(bytes.size());
    cds.lpData = const_cast<char*>(bytes.data());
    DWORD_PTR result = 0;
    bool delivered = SendMessageTimeoutW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                                         reinterpret_cast<LPARAM>(&cds),
                                         SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
    if (answer)
        *answer = delivered ? result : 0;
    return delivered;
}

}  // namespace

bool SendCopyData(HWND target, HWND sender, std::string_view text, UINT timeoutMs) {
    return Send(target, sender, kUtf8Tag, EncodeTextCommand(text), timeoutMs);
}

bool SendCopyDataTaken(HWND target, HWND sender, std::string_view text, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    return Send(target, sender, kUtf8Tag, EncodeTextCommand(text), timeoutMs, &answer) &&
           answer != 0;
}

bool SendCopyDataAnsi(HWND target, HWND sender, std::string_view utf8Text) {
    std::string bytes = Utf8ToAnsi(utf8Text);
    bytes.push_back('\0');
    return Send(target, sender, 0, bytes);
}

std::optional<std::string> ReadCopyData(LPARAM lp) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (!cds)
        return std::nullopt;
    return DecodeTextCommand(cds->dwData, cds->lpData, cds->cbData);
}

std::optional<TextCommand> ReadTextCommand(LPARAM lp) {
    auto text = ReadCopyData(lp);
    if (!text)
        return std::nullopt;
    return ParseTextCommand(*text);
}

bool PostCommand(HWND target, UINT message) {
    return target && PostMessageW(target, message, 0, 1);
}

}  // namespace lumo
