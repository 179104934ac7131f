#pragma once
// Multi-line text (word wrapping by default, two pixels of padding left and
// right) that can size its width to the text. Links are kept for text drawn
// as markup; markup is drawn as plain text, so the link table stays empty.
#include "controls/CLabelUI.h"

namespace Veneer {

class CTextUI : public CLabelUI {
public:
    CTextUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void DoEvent(TUiEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC dc) override;

    int GetLinkCount() const { return m_linkCount; }

private:
    // The link under `point`, or -1.
    int LinkAt(POINT point) const;

    static constexpr int kMaxLinks = 8;
    int m_linkCount = 0;
    UiRect m_links[kMaxLinks];
    UiString m_linkTexts[kMaxLinks];
    int m_hoverLink = -1;
};

}  // namespace Veneer
