#pragma once
// The generic container: owns its children, passes manager, visibility and
// enabled state down, hit-tests and paints its children, and stacks every
// non-floating child over its whole client area; floating children are placed
// by their fixed position, percentages and alignment. Optional scroll bars
// take room from the client area only while they are shown.
//
// Units: inset, child padding and scroll step are stored in design units and
// returned scaled; rectangles are window pixels.
#include <cwchar>

#include "controls/CControlUI.h"
#include "controls/UiAttributeTable.h"
#include "core/UiPtrArray.h"

namespace Veneer {

class CScrollBarUI;

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

// childAlign and childVAlign values.
constexpr UINT kChildAlignLeft = 0;
constexpr UINT kChildAlignCenter = 1;
constexpr UINT kChildAlignRight = 2;
constexpr UINT kChildAlignTop = 0;
constexpr UINT kChildAlignVCenter = 4;
constexpr UINT kChildAlignBottom = 8;

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    // False when the control is no child or index is not a valid position.
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override { return m_items.GetSize(); }
    // False for null, for the container itself and for a control that has a
    // parent, here or elsewhere (it would be owned and deleted twice): it is
    // removed from there first. Sets the child's parent, and its manager
    // when the container has one.
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    // With auto-destroy the child is deleted (later, when delayed and in a
    // window); without, it is detached whole (no parent, no manager, forgotten
    // by the window) and belongs to the caller.
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    virtual RECT GetInset() const;
    virtual void SetInset(const RECT& inset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual UINT GetChildAlign() const { return m_childAlign; }
    virtual void SetChildAlign(UINT align);
    virtual UINT GetChildVAlign() const { return m_childVAlign; }
    virtual void SetChildVAlign(UINT align);
    virtual bool IsAutoDestroy() const { return m_autoDestroy; }
    virtual void SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }
    virtual bool IsDelayedDestroy() const { return m_delayedDestroy; }
    virtual void SetDelayedDestroy(bool delayed) { m_delayedDestroy = delayed; }
    virtual bool IsMouseChildEnabled() const { return m_mouseChildEnabled; }
    virtual void SetMouseChildEnabled(bool enabled = true) { m_mouseChildEnabled = enabled; }
    // The index of the visible, enabled child nearest to `index` in the given
    // direction (then in the other one); -1 when there is none.
    virtual int FindSelectable(int index, bool forward = true) const;

    // Scroll position and range in pixels (0 without the bar).
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE position);
    virtual void SetScrollStepSize(int size);  // only values > 0
    virtual int GetScrollStepSize() const;
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void HomeUp();
    virtual void EndDown();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void PageLeft();
    virtual void PageRight();
    virtual void HomeLeft();
    virtual void EndRight();
    // Creates or deletes the container's own bars.
    virtual void EnableScrollBar(bool vertical = true, bool horizontal = false);
    // A vertical bar that lives elsewhere in the tree (not owned, not placed,
    // takes no room); null detaches it.
    virtual void AttachVerticalScrollBar(CScrollBarUI* bar);
    virtual CScrollBarUI* GetVerticalScrollBar() const { return m_verticalBar; }
    virtual CScrollBarUI* GetHorizontalScrollBar() const { return m_horizontalBar; }
    virtual void SetFloatPos(int index);
    // Shows, hides, sizes and places the bars for content of cxRequired x
    // cyRequired pixels in `rect` (the client area); lays the container out
    // once more when a bar appeared or went.
    virtual void ProcessScrollBar(RECT rect, int cxRequired, int cyRequired);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    // The names of the container's attribute table, in table order.
    static const wchar_t* const* GetContainerAttributeNames(int* count);
    const UiString& GetVerticalScrollBarStyle() const { return m_verticalBarStyle; }
    void SetVerticalScrollBarStyle(const wchar_t* style);
    const UiString& GetHorizontalScrollBarStyle() const { return m_horizontalBarStyle; }
    void SetHorizontalScrollBarStyle(const wchar_t* style);

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    RECT GetClientPos() const override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    // Moves the container's own fixed position; its children and bars follow
    // through the layout pass this asks for.
    void Move(SIZE offset, bool needInvalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetMouseEnabled(bool enabled = true) override;
    CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
    void DoEvent(TUiEvent& event) override;
    bool DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) override;

protected:
    void RelayoutChild(CControlUI* child) override;
    void DisposeChild(CControlUI* control);
    // The page the children's images are drawn for, or null for the page
    // this container is drawn for (see CPaintManagerUI::ReleasePageImages).
    virtual const void* ChildImagePage() const { return nullptr; }
    // Clamps a size to a child's minimum, then its maximum.
    static int ClampWidth(const CControlUI* child, int width);
    static int ClampHeight(const CControlUI* child, int height);
    // How far a layout may give a child: its fixed size when set, else the
    // offered size; never more than its maximum.
    static SIZE LimitAvailable(const CControlUI* child, SIZE available);
    // The scroll position of the bars that are shown.
    SIZE GetVisibleScrollOffset() const;
    // Lays the children out in one line, left to right or top to bottom:
    // fixed sizes first, the rest shared by the stretch children, the last of
    // which absorbs every leftover pixel; then sizes the scroll bars.
    void ArrangeInLine(bool horizontal);

    UiPtrArray m_items;  // CControlUI*, owned when m_autoDestroy
    UiRect m_inset;      // design units
    int m_childPadding = 0;  // design units
    UINT m_childAlign = kChildAlignLeft;
    UINT m_childVAlign = kChildAlignTop;
    bool m_autoDestroy = true;
    bool m_delayedDestroy = true;
    bool m_mouseChildEnabled = true;
    int m_scrollStepSize = 0;  // design units; 0 = the bar's line size
    bool m_externalVerticalBar = false;
    CScrollBarUI* m_verticalBar = nullptr;    // owned unless external
    CScrollBarUI* m_horizontalBar = nullptr;  // owned
    UiString m_verticalBarStyle;
    UiString m_horizontalBarStyle;

private:
    bool OnExternalBarDestroyed(void* control);
    void ReleaseVerticalBar();
    bool m_inScrollRelayout = false;
};

}  // namespace Veneer
