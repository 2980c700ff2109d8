#include "kaso/ui/Theme.h"

namespace kaso::ui {

Theme Theme::dark()
{
    Theme theme;
    theme.kind = Kind::Dark;
    theme.background = Color::rgb(0x0f, 0x0f, 0x12);
    theme.surface = Color::rgb(0x1a, 0x1a, 0x20);
    theme.surface_raised = Color::rgb(0x26, 0x26, 0x2e);
    theme.border = Color::rgb(0x33, 0x33, 0x3d);
    theme.divider = Color::rgb(0x2a, 0x2a, 0x33);
    theme.text = Color::rgb(0xf1, 0xf1, 0xf4);
    theme.text_muted = Color::rgb(0xa0, 0xa0, 0xab);
    theme.accent = Color::rgb(0xff, 0x4e, 0x45);
    theme.accent_text = Color::rgb(0xff, 0xff, 0xff);
    theme.danger = Color::rgb(0xff, 0x6b, 0x6b);
    return theme;
}

Theme Theme::light()
{
    Theme theme;
    theme.kind = Kind::Light;
    theme.background = Color::rgb(0xfa, 0xfa, 0xfb);
    theme.surface = Color::rgb(0xff, 0xff, 0xff);
    theme.surface_raised = Color::rgb(0xf0, 0xf0, 0xf3);
    theme.border = Color::rgb(0xdd, 0xdd, 0xe3);
    theme.divider = Color::rgb(0xe6, 0xe6, 0xeb);
    theme.text = Color::rgb(0x14, 0x14, 0x18);
    theme.text_muted = Color::rgb(0x5c, 0x5c, 0x66);
    theme.accent = Color::rgb(0xd9, 0x2d, 0x25);
    theme.accent_text = Color::rgb(0xff, 0xff, 0xff);
    theme.danger = Color::rgb(0xc0, 0x1c, 0x1c);
    return theme;
}

Theme Theme::high_contrast()
{
    Theme theme;
    theme.kind = Kind::HighContrast;
    theme.background = Color::rgb(0x00, 0x00, 0x00);
    theme.surface = Color::rgb(0x00, 0x00, 0x00);
    theme.surface_raised = Color::rgb(0x14, 0x14, 0x14);
    theme.border = Color::rgb(0xff, 0xff, 0xff);
    theme.divider = Color::rgb(0xff, 0xff, 0xff);
    theme.text = Color::rgb(0xff, 0xff, 0xff);
    theme.text_muted = Color::rgb(0xff, 0xff, 0x00);
    theme.accent = Color::rgb(0x00, 0xff, 0xff);
    theme.accent_text = Color::rgb(0x00, 0x00, 0x00);
    theme.danger = Color::rgb(0xff, 0x80, 0x80);
    return theme;
}

}
