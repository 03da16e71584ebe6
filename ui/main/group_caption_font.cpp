#include "ui/main/group_caption_font.h"

#include "ui/framework/dpi.h"

LOGFONTW GroupCaptionFont(const LOGFONTW& dialogFont, UINT dpi) {
    LOGFONTW caption = dialogFont;
    const int growth = ScaleForDpi(2, dpi);
    caption.lfHeight += caption.lfHeight > 0 ? growth : -growth;
    caption.lfWeight = FW_BOLD;
    return caption;
}
