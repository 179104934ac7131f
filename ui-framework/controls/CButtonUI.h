#pragma once
// A label that reacts to the mouse and the keyboard: hot, pushed, focused and
// disabled looks (colours, fonts, images per state), the "click"
// notification, and an optional tab page to select on click.
#include <initializer_list>

#include "controls/CLabelUI.h"

namespace Veneer {

// Button state bits.
constexpr UINT kButtonFocused = 0x01;
constexpr UINT kButtonSelected = 0x02;
constexpr UINT kButtonDisabled = 0x04;
constexpr UINT kButtonHot = 0x08;
constexpr UINT kButtonPushed = 0x10;
constexpr UINT kButtonCaptured = 0x40;

class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void DoEvent(TUiEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    virtual const UiString& GetNormalImage() const { return m_normalImage; }
    virtual void SetNormalImage(const wchar_t* descriptor);
    virtual const UiString& GetHotImage() const { return m_hotImage; }
    virtual void SetHotImage(const wchar_t* descriptor);
    virtual const UiString& GetPushedImage() const { return m_pushedImage; }
    virtual void SetPushedImage(const wchar_t* descriptor);
    virtual const UiString& GetFocusedImage() const { return m_focusedImage; }
    virtual void SetFocusedImage(const wchar_t* descriptor);
    virtual const UiString& GetDisabledImage() const { return m_disabledImage; }
    virtual void SetDisabledImage(const wchar_t* descriptor);
    virtual const UiString& GetHotForeImage() const { return m_hotForeImage; }
    virtual void SetHotForeImage(const wchar_t* descriptor);
    virtual const UiString& GetStateImage() const { return m_stateImage; }
    // Also empties the normal image, so the parts are generated again.
    virtual void SetStateImage(const wchar_t* descriptor);

    void PaintBkColor(HDC dc) override;
    void PaintStatusImage(HDC dc) override;
    void PaintForeImage(HDC dc) override;
    void PaintText(HDC dc) override;

    UINT GetButtonState() const { return m_buttonState; }
    void SetPushedForeImage(const wchar_t* descriptor);
    int GetStateCount() const { return m_stateCount; }
    void SetStateCount(int count);
    void SetHotBkColor(DWORD color);
    void SetPushedBkColor(DWORD color);
    void SetDisabledBkColor(DWORD color);
    void SetHotTextColor(DWORD color) { m_hotTextColor = color; }
    void SetPushedTextColor(DWORD color) { m_pushedTextColor = color; }
    void SetFocusedTextColor(DWORD color) { m_focusedTextColor = color; }
    void SetHotFont(int index);
    void SetPushedFont(int index);
    void SetFocusedFont(int index);
    int GetBindTabIndex() const { return m_bindTabIndex; }
    void BindTabIndex(int index);  // negative values are ignored
    const UiString& GetBindTabLayoutName() const { return m_bindTabLayoutName; }
    void BindTabLayoutName(const wchar_t* name) { m_bindTabLayoutName = name; }

protected:
    static constexpr int kMaxStateParts = 4;
    // Cuts `stateImage` into `stateCount` equal parts side by side and writes a
    // descriptor per part (at most four). The parts are written in design
    // units and against the plain file name, because they are parsed again
    // with the window's scale. False when the image cannot be loaded.
    bool MakeStateImageParts(const UiString& stateImage, int stateCount, UiString (&parts)[kMaxStateParts]);
    // Fills the state images from a state image of `stateCount` parts, once
    // (while `normal` is empty): part 1 normal, part 2 hot and pushed, part 3
    // pushed, part 4 disabled (only when `disabled` is given).
    void FillStateImages(const UiString& stateImage, int stateCount, UiString& normal, UiString& hot,
                         UiString& pushed, UiString* disabled);
    // One state bit and the image shown in that state.
    struct StateImage {
        UINT state;
        const UiString* image;
    };
    // Draws the image of the first entry whose state bit is set in the button
    // state (earlier entries win); `normal` when no bit is set, or when that
    // image is empty or cannot be drawn.
    void DrawStateImage(HDC dc, std::initializer_list<StateImage> byPrecedence, const UiString& normal);
    // Focused and disabled follow the control; a disabled window leaves only
    // the disabled and selected bits.
    void UpdateStateBits();
    void SelectBoundTab();

    UINT m_buttonState = 0;
    int m_hotFont = -1;
    int m_pushedFont = -1;
    int m_focusedFont = -1;
    DWORD m_hotBkColor = 0;
    DWORD m_pushedBkColor = 0;
    DWORD m_disabledBkColor = 0;
    DWORD m_hotTextColor = 0;
    DWORD m_pushedTextColor = 0;
    DWORD m_focusedTextColor = 0;
    UiString m_normalImage;
    UiString m_hotImage;
    UiString m_hotForeImage;
    UiString m_pushedImage;
    UiString m_pushedForeImage;
    UiString m_focusedImage;
    UiString m_disabledImage;
    int m_stateCount = 0;
    UiString m_stateImage;
    int m_bindTabIndex = -1;
    UiString m_bindTabLayoutName;
};

}  // namespace Veneer
