#include "ui/main/group_caption_font.h"

LOGFONTW GroupCaptionFont(const LOGFONTW& dialogFont) {
    LOGFONTW caption = dialogFont;
    caption.lfHeight += caption.lfHeight > 0 ? 2 : -2;
    caption.lfWeight = FW_BOLD;
    return caption;
}
