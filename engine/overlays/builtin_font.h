// The overlays' built-in font: a mark-row font bitmap as PNG file bytes, rendered by the build
// (Tools/builtin_font) and compiled into the engine, so an overlay can write text before the
// application has loaded any font.
#ifndef NIMBREL_OVERLAYS_BUILTIN_FONT_H
#define NIMBREL_OVERLAYS_BUILTIN_FONT_H

extern const unsigned char kBuiltinFontPng[];
extern const int kBuiltinFontPngSize;

#endif
