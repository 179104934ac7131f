// Notification dispatch through the pump's tables: a named entry before an
// entry for any control, a derived table before its base's, the parameter
// form, and virtual windows by name.
#include <gtest/gtest.h>

#include <string>

#include "controls/CControlUI.h"
#include "windows/CNotifyPump.h"

using namespace Veneer;

namespace {

class BasePump : public CNotifyPump {
public:
    std::wstring log;
    void OnBaseClick(TUiNotify&) { log += L"base-click "; }
    void OnBaseTimer(TUiNotify&) { log += L"base-timer "; }

protected:
    const TNotifyTable* GetNotifyTable() const override {
        static const TNotifyEntry entries[] = {NotifyEntry<BasePump>(L"click", L"", &BasePump::OnBaseClick),
                                               NotifyEntry<BasePump>(L"timer", L"", &BasePump::OnBaseTimer),
                                               kNotifyTableEnd};
        static const TNotifyTable table{CNotifyPump::GetNotifyTable(), entries};
        return &table;
    }
};

class DerivedPump : public BasePump {
public:
    void OnAnyClick(TUiNotify&) { log += L"any-click "; }
    void OnOkClick(TUiNotify&) { log += L"ok-click "; }
    void OnParams(WPARAM w, LPARAM l) { log += L"params-" + std::to_wstring(w) + L"-" + std::to_wstring(l) + L" "; }

protected:
    const TNotifyTable* GetNotifyTable() const override {
        // The named entry comes after the one for any control: it still wins.
        static const TNotifyEntry entries[] = {NotifyEntry<DerivedPump>(L"click", L"", &DerivedPump::OnAnyClick),
                                               NotifyEntry<DerivedPump>(L"click", L"okBtn", &DerivedPump::OnOkClick),
                                               NotifyEntry<DerivedPump>(L"itemselect", L"", &DerivedPump::OnParams),
                                               kNotifyTableEnd};
        static const TNotifyTable table{BasePump::GetNotifyTable(), entries};
        return &table;
    }
};

TUiNotify Message(const wchar_t* type, CControlUI* sender, const wchar_t* virtualWnd = L"") {
    TUiNotify msg;
    msg.type = type;
    msg.sender = sender;
    msg.virtualWnd = virtualWnd;
    msg.wParam = 7;
    msg.lParam = 9;
    return msg;
}

}  // namespace

TEST(NotifyPump, TablesDispatchNamedBeforeAnyControlAndDerivedBeforeBase) {
    CControlUI ok;
    ok.SetName(L"okBtn");
    CControlUI other;
    other.SetName(L"other");
    const struct {
        const wchar_t* type;
        CControlUI* sender;
        const wchar_t* handled;
    } cases[] = {
        {L"click", &ok, L"ok-click "},          // named entry of the derived table
        {L"click", &other, L"any-click "},      // any control, derived table before the base's
        {L"click", nullptr, L"any-click "},     // a reaped sender is any control
        {L"timer", &ok, L"base-timer "},        // only the base table has it
        {L"itemselect", &ok, L"params-7-9 "},   // the parameter form
        {L"unknown", &ok, L""},                 // nobody
    };
    for (const auto& c : cases) {
        DerivedPump pump;
        TUiNotify msg = Message(c.type, c.sender);
        pump.NotifyPump(msg);
        EXPECT_EQ(pump.log, c.handled) << c.type;
    }
}

TEST(NotifyPump, AVirtualWindowByNameTakesItsMessagesBeforeTheOwner) {
    DerivedPump owner;
    BasePump page;
    ASSERT_TRUE(owner.AddVirtualWnd(L"page0", &page));
    EXPECT_FALSE(owner.AddVirtualWnd(L"PAGE0", &page)) << "names are unique, whatever their case";
    CControlUI ok;
    ok.SetName(L"okBtn");

    TUiNotify toPage = Message(L"click", &ok, L"Page0");
    owner.NotifyPump(toPage);
    EXPECT_EQ(page.log, L"base-click ");
    EXPECT_EQ(owner.log, L"");

    // The page has no entry for the type: the owner's tables get it.
    TUiNotify unhandled = Message(L"itemselect", &ok, L"page0");
    owner.NotifyPump(unhandled);
    EXPECT_EQ(owner.log, L"params-7-9 ");

    ASSERT_TRUE(owner.RemoveVirtualWnd(L"page0"));
    TUiNotify gone = Message(L"click", &ok, L"page0");
    owner.NotifyPump(gone);
    EXPECT_EQ(page.log, L"base-click ");
    EXPECT_EQ(owner.log, L"params-7-9 ok-click ");
}
