#include "csscolors.h"

#include <climits>

namespace plandor {
namespace {

struct NamedColor {
  const char* name;
  std::uint32_t rgb;  // 0xRRGGBB
};

// Each colour once: "gray" stands for its "grey" twins, "aqua" and "fuchsia"
// for "cyan" and "magenta".
constexpr NamedColor kColors[] = {
    {"black", 0x000000}, {"navy", 0x000080}, {"darkblue", 0x00008B}, {"mediumblue", 0x0000CD},
    {"blue", 0x0000FF}, {"darkgreen", 0x006400}, {"green", 0x008000}, {"teal", 0x008080},
    {"darkcyan", 0x008B8B}, {"deepskyblue", 0x00BFFF}, {"darkturquoise", 0x00CED1},
    {"mediumspringgreen", 0x00FA9A}, {"lime", 0x00FF00}, {"springgreen", 0x00FF7F}, {"aqua", 0x00FFFF},
    {"midnightblue", 0x191970}, {"dodgerblue", 0x1E90FF}, {"lightseagreen", 0x20B2AA},
    {"forestgreen", 0x228B22}, {"seagreen", 0x2E8B57}, {"darkslategray", 0x2F4F4F}, {"limegreen", 0x32CD32},
    {"mediumseagreen", 0x3CB371}, {"turquoise", 0x40E0D0}, {"royalblue", 0x4169E1}, {"steelblue", 0x4682B4},
    {"darkslateblue", 0x483D8B}, {"mediumturquoise", 0x48D1CC}, {"indigo", 0x4B0082},
    {"darkolivegreen", 0x556B2F}, {"cadetblue", 0x5F9EA0}, {"cornflowerblue", 0x6495ED},
    {"rebeccapurple", 0x663399}, {"mediumaquamarine", 0x66CDAA}, {"dimgray", 0x696969},
    {"slateblue", 0x6A5ACD}, {"olivedrab", 0x6B8E23}, {"slategray", 0x708090}, {"lightslategray", 0x778899},
    {"mediumslateblue", 0x7B68EE}, {"lawngreen", 0x7CFC00}, {"chartreuse", 0x7FFF00}, {"aquamarine", 0x7FFFD4},
    {"maroon", 0x800000}, {"purple", 0x800080}, {"olive", 0x808000}, {"gray", 0x808080},
    {"skyblue", 0x87CEEB}, {"lightskyblue", 0x87CEFA}, {"blueviolet", 0x8A2BE2}, {"darkred", 0x8B0000},
    {"darkmagenta", 0x8B008B}, {"saddlebrown", 0x8B4513}, {"darkseagreen", 0x8FBC8F}, {"lightgreen", 0x90EE90},
    {"mediumpurple", 0x9370DB}, {"darkviolet", 0x9400D3}, {"palegreen", 0x98FB98}, {"darkorchid", 0x9932CC},
    {"yellowgreen", 0x9ACD32}, {"sienna", 0xA0522D}, {"brown", 0xA52A2A}, {"darkgray", 0xA9A9A9},
    {"lightblue", 0xADD8E6}, {"greenyellow", 0xADFF2F}, {"paleturquoise", 0xAFEEEE},
    {"lightsteelblue", 0xB0C4DE}, {"powderblue", 0xB0E0E6}, {"firebrick", 0xB22222},
    {"darkgoldenrod", 0xB8860B}, {"mediumorchid", 0xBA55D3}, {"rosybrown", 0xBC8F8F}, {"darkkhaki", 0xBDB76B},
    {"silver", 0xC0C0C0}, {"mediumvioletred", 0xC71585}, {"indianred", 0xCD5C5C}, {"peru", 0xCD853F},
    {"chocolate", 0xD2691E}, {"tan", 0xD2B48C}, {"lightgray", 0xD3D3D3}, {"thistle", 0xD8BFD8},
    {"orchid", 0xDA70D6}, {"goldenrod", 0xDAA520}, {"palevioletred", 0xDB7093}, {"crimson", 0xDC143C},
    {"gainsboro", 0xDCDCDC}, {"plum", 0xDDA0DD}, {"burlywood", 0xDEB887}, {"lightcyan", 0xE0FFFF},
    {"lavender", 0xE6E6FA}, {"darksalmon", 0xE9967A}, {"violet", 0xEE82EE}, {"palegoldenrod", 0xEEE8AA},
    {"lightcoral", 0xF08080}, {"khaki", 0xF0E68C}, {"aliceblue", 0xF0F8FF}, {"honeydew", 0xF0FFF0},
    {"azure", 0xF0FFFF}, {"sandybrown", 0xF4A460}, {"wheat", 0xF5DEB3}, {"beige", 0xF5F5DC},
    {"whitesmoke", 0xF5F5F5}, {"mintcream", 0xF5FFFA}, {"ghostwhite", 0xF8F8FF}, {"salmon", 0xFA8072},
    {"antiquewhite", 0xFAEBD7}, {"linen", 0xFAF0E6}, {"lightgoldenrodyellow", 0xFAFAD2}, {"oldlace", 0xFDF5E6},
    {"red", 0xFF0000}, {"fuchsia", 0xFF00FF}, {"deeppink", 0xFF1493}, {"orangered", 0xFF4500},
    {"tomato", 0xFF6347}, {"hotpink", 0xFF69B4}, {"coral", 0xFF7F50}, {"darkorange", 0xFF8C00},
    {"lightsalmon", 0xFFA07A}, {"orange", 0xFFA500}, {"lightpink", 0xFFB6C1}, {"pink", 0xFFC0CB},
    {"gold", 0xFFD700}, {"peachpuff", 0xFFDAB9}, {"navajowhite", 0xFFDEAD}, {"moccasin", 0xFFE4B5},
    {"bisque", 0xFFE4C4}, {"mistyrose", 0xFFE4E1}, {"blanchedalmond", 0xFFEBCD}, {"papayawhip", 0xFFEFD5},
    {"lavenderblush", 0xFFF0F5}, {"seashell", 0xFFF5EE}, {"cornsilk", 0xFFF8DC}, {"lemonchiffon", 0xFFFACD},
    {"floralwhite", 0xFFFAF0}, {"snow", 0xFFFAFA}, {"yellow", 0xFFFF00}, {"lightyellow", 0xFFFFE0},
    {"ivory", 0xFFFFF0}, {"white", 0xFFFFFF},
};

}  // namespace

std::string_view nearestCssColorName(std::int32_t color) {
  // Only the low three bytes are a colour; a system-colour flag in the top
  // byte of a foreign file is ignored.
  const auto c = static_cast<std::uint32_t>(color);
  const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  const char* best = kColors[0].name;
  long bestDistance = LONG_MAX;
  for (const NamedColor& n : kColors) {
    const int dr = r - int(n.rgb >> 16), dg = g - int((n.rgb >> 8) & 0xFF), db = b - int(n.rgb & 0xFF);
    const long d = long(dr) * dr + long(dg) * dg + long(db) * db;
    if (d < bestDistance) bestDistance = d, best = n.name;
  }
  return best;
}

}  // namespace plandor
