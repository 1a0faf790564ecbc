// Message maps: a static table per dialog class, searched in declaration order, whose
// entries call handlers with typed arguments.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, fw::CDialog)
//       ON_BN_CLICKED(IDC_GO, OnGo)               void OnGo();
//       ON_NOTIFY(NM_CLICK, IDC_LIST, OnClick)    void OnClick(NMHDR*, LRESULT*);
//       ON_WM_TIMER()                             void OnTimer(UINT_PTR id);
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

#include <type_traits>

namespace fw {

class CDialog;

// Runs one handler. Returns false when the message should also get the default processing.
using MessageThunk = bool (*)(CDialog& dialog, WPARAM wParam, LPARAM lParam, LRESULT& result);

struct MessageMapEntry {
    UINT message;  // WM_COMMAND and WM_NOTIFY match code and id too
    UINT code;
    UINT id;
    MessageThunk thunk;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;  // ends with an entry whose thunk is null
};

namespace detail {

template <class Member> struct ClassOf;
template <class C, class F> struct ClassOf<F C::*> {
    using type = C;
};

template <auto Handler> using HandlerClass = typename ClassOf<decltype(Handler)>::type;

template <auto Handler> HandlerClass<Handler>& Self(CDialog& dialog)
{
    return static_cast<HandlerClass<Handler>&>(dialog);
}

bool TakeDefaultRequest(CDialog& dialog);

template <auto Handler> bool Plain(CDialog& dialog, WPARAM, LPARAM, LRESULT& result)
{
    (Self<Handler>(dialog).*Handler)();
    result = 0;
    return !TakeDefaultRequest(dialog);
}

template <auto Handler> bool Notify(CDialog& dialog, WPARAM, LPARAM lParam, LRESULT& result)
{
    result = 0;
    (Self<Handler>(dialog).*Handler)(reinterpret_cast<NMHDR*>(lParam), &result);
    return true;
}

template <auto Handler> bool Timer(CDialog& dialog, WPARAM wParam, LPARAM, LRESULT& result)
{
    (Self<Handler>(dialog).*Handler)(static_cast<UINT_PTR>(wParam));
    result = 0;
    return !TakeDefaultRequest(dialog);
}

template <auto Handler> bool QueryDragIcon(CDialog& dialog, WPARAM, LPARAM, LRESULT& result)
{
    result = reinterpret_cast<LRESULT>((Self<Handler>(dialog).*Handler)());
    return true;
}

}  // namespace detail
}  // namespace fw

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    const fw::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)            \
    const fw::MessageMap* theClass::GetMessageMap() const \
    {                                                     \
        using ThisClass = theClass;                       \
        using BaseClass = baseClass;                      \
        static const fw::MessageMapEntry entries[] = {
// clang-format off: the formatter cannot lay out a macro that closes a brace it did not open.
#define END_MESSAGE_MAP()                                                        \
        {0, 0, 0, nullptr}};                                                     \
        static_assert(std::is_base_of_v<BaseClass, ThisClass>);                  \
        static const fw::MessageMap map{BaseClass::GetMessageMap(), entries};    \
        return &map;                                                             \
    }
// clang-format on

#define ON_WM_PAINT() {WM_PAINT, 0, 0, &fw::detail::Plain<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, &fw::detail::QueryDragIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &fw::detail::Timer<&ThisClass::OnTimer>},
#define ON_BN_CLICKED(id, handler) {WM_COMMAND, BN_CLICKED, (id), &fw::detail::Plain<&ThisClass::handler>},
#define ON_EN_CHANGE(id, handler) {WM_COMMAND, EN_CHANGE, (id), &fw::detail::Plain<&ThisClass::handler>},
#define ON_NOTIFY(code, id, handler) \
    {WM_NOTIFY, static_cast<UINT>(code), (id), &fw::detail::Notify<&ThisClass::handler>},
