#include "GLFont.h"

#include "Game.h"
#include "Graphics.h"
#include "Images.h"
#include "Mounts.h"
#include "StringTools.h"

namespace {

Vorn::u32 Code(wchar_t c)
{
    return static_cast<Vorn::u32>(c);
}

}  // namespace

GLFont::GLFont(int imageId) : fontIndex(0)
{
    Load(imageId);
}

GLFont::~GLFont() {}

void GLFont::Load(int imageId)
{
    fontIndex = imageId;
    if (imageId < 0 || imageId >= Images::COUNT || Images::files[imageId].empty()) {
        font = nullptr;
        return;
    }
    font = new Vorn::FontEx(DescriptionPath(imageId), Tessela::DEVICE_MOUNT + Images::files[imageId]);
}

Vorn::NarrowString GLFont::DescriptionPath(int imageId)
{
    const Vorn::NarrowString& name = Images::files[imageId];
    return Tessela::DEVICE_MOUNT + Vorn::NarrowString(name.substr(0, name.find('.'))) + ".xml";
}

int GLFont::GetLineHeight() const
{
    return font ? font->GetHeight() : 0;
}

int GLFont::GetCharAdvance(wchar_t c) const
{
    return font ? font->GetChar(Code(c)).width : 0;
}

int GLFont::GetKerning(wchar_t left, wchar_t right) const
{
    return font ? font->GetKerning(Code(left), Code(right)) : 0;
}

int GLFont::GetTextWidth(const Vorn::WideString& text) const
{
    if (!font)
        return 0;
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        width += font->GetChar(Code(text[i])).width;
        if (i + 1 < text.size())
            width += font->GetKerning(Code(text[i]), Code(text[i + 1]));
    }
    return width;
}

int GLFont::GetTextWidthUtf8(const Vorn::NarrowString& text) const
{
    return GetTextWidth(Vorn::WideString(text));
}

void GLFont::DrawText(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::WideString& text, int x,
                      int y, int flags) const
{
    if (!font || !graphics || text.empty())
        return;
    const Vorn::SmartPtr<Graphics> held(graphics);
    if (flags & CENTER)
        x -= GetTextWidth(text) / 2;
    else if (flags & RIGHT)
        x -= GetTextWidth(text);
    for (wchar_t c : text) {
        const Vorn::FontEx::Glyph& glyph = font->GetChar(Code(c));
        held->DrawImageEx(fontIndex, x, y - glyph.height / 2, glyph.x, glyph.y, glyph.width,
                          glyph.height, 1.0f, Game::COLOR_R, Game::COLOR_G, Game::COLOR_B, 1.0f);
        x += glyph.width;
    }
}

void GLFont::DrawTextCentered(const Vorn::SmartPtr<Graphics>& graphics,
                              const Vorn::WideString& text, int x, int y) const
{
    DrawText(graphics, text, x, y, CENTER);
}

Vorn::WideString GLFont::NumberToText(int number)
{
    Vorn::WideString text(L"@1@");
    StringTools::SprintfRef(text, number);
    return text;
}

int GLFont::GetNumberWidth(int number) const
{
    return GetTextWidth(NumberToText(number));
}

void GLFont::DrawNumber(const Vorn::SmartPtr<Graphics>& graphics, int number, int x, int y) const
{
    DrawText(graphics, NumberToText(number), x, y, 0);
}

void GLFont::DrawNumberCentered(const Vorn::SmartPtr<Graphics>& graphics, int number, int x,
                                int y) const
{
    DrawText(graphics, NumberToText(number), x, y, CENTER);
}

Vorn::WideString GLFont::FormatTime(int seconds, int mode)
{
    const int days = seconds / 86400;
    const int hours = (seconds / 3600) % 24;
    const int minutes = (seconds / 60) % 60;
    const int rest = seconds % 60;
    Vorn::WideString text;
    if (mode == 4 || days > 0) {
        text = L"@1@d @2@h @3@m @4@s ";
        StringTools::SprintfRef(text, days, hours, minutes, rest);
    } else if (mode == 3 || hours > 0) {
        text = L"@1@h @2@m @3@s";
        StringTools::SprintfRef(text, hours, minutes, rest);
    } else if (mode == 2 || minutes > 0) {
        text = L"@1@m @2@s";
        StringTools::SprintfRef(text, minutes, rest);
    } else {
        text = L"@1@s";
        StringTools::SprintfRef(text, rest);
    }
    return text;
}

int GLFont::GetTimeWidth(int seconds, int mode) const
{
    return GetTextWidth(FormatTime(seconds, mode));
}

void GLFont::DrawTime(const Vorn::SmartPtr<Graphics>& graphics, int seconds, int x, int y,
                      int mode) const
{
    DrawText(graphics, FormatTime(seconds, mode), x, y, CENTER);
}
