#pragma once
// The dialog's look that is not layout: font, background colour and window icon.
#include <QFont>
#include <QIcon>

class QWidget;

// "ＭＳ ゴシック" at 13 pixels, regular. Where that face is missing, the toolkit substitutes
// a Japanese Gothic face (IPA Gothic, Noto Sans CJK JP) instead of a face without kana.
QFont DialogFont();

// Sky blue, RGB (166, 202, 240), for the window's own background.
void ApplyDialogBackground(QWidget& window);

// A 16 x 16 icon in the 16 colours of the classic palette: a construction line through a
// circle over a sheet of paper. Drawn in code, so the module needs no resource files.
QIcon DialogIcon();
