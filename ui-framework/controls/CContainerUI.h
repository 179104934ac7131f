#pragma once
// The generic container: owns its children, passes manager and visibility
// down, hit-tests and paints its children, and stacks every non-floating child
// over its whole client area; floating children are placed by their fixed
// position and size.
#include "controls/CControlUI.h"
#include "core/UiPtrArray.h"

namespace Veneer {

class IContainerUI {
public:
    virtual ~IContainerUI() = default;
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override { return m_items.GetSize(); }
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    virtual RECT GetInset() const;
    virtual void SetInset(const RECT& inset);
    virtual bool IsAutoDestroy() const { return m_autoDestroy; }
    virtual void SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }
    virtual bool IsDelayedDestroy() const { return m_delayedDestroy; }
    virtual void SetDelayedDestroy(bool delayed) { m_delayedDestroy = delayed; }
    virtual bool IsMouseChildEnabled() const { return m_mouseChildEnabled; }
    virtual void SetMouseChildEnabled(bool enabled = true) { m_mouseChildEnabled = enabled; }
    virtual void SetFloatPos(int index);

    // The container's own names ("inset", "mousechild"); the rest goes to the
    // control base. Layout attributes arrive with the layouts.
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    RECT GetClientPos() const override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
    void DoEvent(TUiEvent& event) override;
    bool DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) override;

protected:
    void RelayoutChild(CControlUI* child) override;
    void DisposeChild(CControlUI* control);

    UiPtrArray m_items;  // CControlUI*, owned when m_autoDestroy
    UiRect m_inset;      // design units
    bool m_autoDestroy = true;
    bool m_delayedDestroy = true;
    bool m_mouseChildEnabled = true;
};

}  // namespace Veneer
