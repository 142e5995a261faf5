#pragma once

namespace velm {

// Horizontal alignment and vertical layout of a label's text.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// The 3-D look of a TLabel3D: which copies are drawn beneath the text.
enum TTextStyle { tsNone, tsRaised, tsLightRaised, tsRecessed, tsHeavyRecessed, tsShadow };
enum TBorderType { btDefault, btRecessed, btRaised };
// How text that does not fit is shortened.
enum TEllipsesStyle { esNone, esEnd, esPath };
// Link behaviour: none, a web address, an e-mail address.
enum TLabelStyle { lsDefault, lsWWWAddress, lsEMailAddress };
// Pen styles of the border (psInsideFrame keeps a wide pen inside the outline).
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// How colour tags of marked-up text are tinted in an effect copy.
enum class TTintMode { Exact, Darkened, Lightened };

}  // namespace velm
