#pragma once
// Picture geometry of the zoom modes: the letter-box bars, the pan-and-scan side crop and the
// centred placement. Pure arithmetic on sizes in pixels, so each rule is testable on its own.
// Every function expects positive sizes; the option builder checks them first.

namespace zanto::formats {

struct TBars {
  int Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// Bars that fit a source of sw x sh into a target of w x h keeping its aspect ratio: every bar
// even, the bars of a pair equal; the inner picture may be up to 3 pixels smaller than exact.
TBars LetterBoxBars(int sw, int sh, int w, int h);

// The crop of each side of the cut dimension that leaves a 4:3 picture of a source whose kept
// area (after the row's own crop) is cw x ch: even, equal on both sides of the whole source
// width (wider than 4:3) or height (narrower). Zero when the kept area is already 4:3.
struct TPanCrop {
  bool CutSides = false;   // cut left and right (the picture is wider than 4:3)
  bool CutTopBottom = false;
  int Amount = 0;          // per side, of the whole source dimension
};
TPanCrop PanAndScanCrop(int sw, int sh, int cw, int ch);

}  // namespace zanto::formats
