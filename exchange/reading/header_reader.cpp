// Header, layer-table, attribute, mode and indicated-point keys of the exchange file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "exchange/reading/reader_dispatch.h"
#include "exchange/reading/reader_text.h"
#include "numeric/lenient_number.h"

namespace {

using std::string_view;

// The character at 1-based position `n` of field 0 read as one hexadecimal digit, as "$"
// followed by that byte would read; 0 when it is missing or not a digit.
std::int32_t HexDigitAt(string_view key, std::size_t n) {
  if (key.size() < n) return 0;
  const char text[2] = {'$', key[n - 1]};
  const std::int32_t value = LenientStrToInt(string_view(text, 2));
  return value >= 0 && value <= 15 ? value : 0;
}

// The character at 1-based position `n` read as a decimal digit from 0 to `max`, else 0.
std::int32_t DecimalDigitAt(string_view key, std::size_t n, std::int32_t max) {
  if (key.size() < n) return 0;
  const std::int32_t value = LenientStrToInt(key.substr(n - 1, 1));
  return value >= 0 && value <= max ? value : 0;
}

// Calls assign(entry, field) for fields 1 to `count`, entry = field - 1.
template <typename Assign>
void ForEachValueField(int count, Assign assign) {
  for (int n = 1; n <= count; ++n) assign(static_cast<std::size_t>(n - 1), n);
}

// The entry of a table, or null when the index lies outside it. The reader's own indexes
// are always in range once the state is initialised; the check keeps a line applied to a
// released state, or after the writer changed EmitState, from writing anywhere else.
template <typename Table>
auto* Entry(Table& table, std::int64_t index) {
  return index >= 0 && static_cast<std::uint64_t>(index) < table.size()
             ? &table[static_cast<std::size_t>(index)]
             : nullptr;
}

std::int64_t LayerIndex(const EmitState& emit) {
  return std::int64_t{emit.LayerGroup} * 16 + emit.Layer;
}

void SetName(std::vector<std::string>& names, std::int64_t index, string_view name) {
  if (std::string* entry = Entry(names, index)) entry->assign(name);
}

void SetValue(std::vector<std::int32_t>& values, std::int64_t index, std::int32_t value) {
  if (std::int32_t* entry = Entry(values, index)) *entry = value;
}

// ---- Header keys ----

bool ApplyHeaderKey(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  const int n = t.FieldCount;
  if (key == "hk" && n >= 2) {
    s.HostAngle = t.Real(1);
  } else if (key == "hs" && n >= 17) {
    ForEachValueField(16, [&](std::size_t i, int f) { s.GroupScales[i] = t.Real(f); });
  } else if (key == "hzs" && n >= 3) {
    s.PaperWidth = t.Real(1);
    s.PaperHeight = t.Real(2);
  } else if (key == "hcw" && n >= 11) {
    ForEachValueField(10, [&](std::size_t i, int f) { s.TextStyles[i].Width = t.Real(f); });
  } else if (key == "hch" && n >= 11) {
    ForEachValueField(10, [&](std::size_t i, int f) { s.TextStyles[i].Height = t.Real(f); });
  } else if (key == "hcd" && n >= 11) {
    ForEachValueField(10, [&](std::size_t i, int f) { s.TextStyles[i].Spacing = t.Real(f); });
  } else if (key == "hcc" && n >= 11) {
    ForEachValueField(10, [&](std::size_t i, int f) { s.TextStyles[i].Color = t.Integer(f); });
  } else if (key == "bz") {
    s.BzFlag = true;
  } else if (key == "hn" && n >= 5) {
    ForEachValueField(4, [&](std::size_t i, int f) { s.HnValues[i] = t.Real(f); });
  } else {
    return false;
  }
  return true;
}

// ---- Layer and attribute keys ----

// Takes the first value of an attribute for the host and sets the current one.
void SetAttribute(std::int32_t value, bool& unset, std::int32_t& hostValue, std::int32_t& current) {
  if (unset) {
    hostValue = value;
    unset = false;
  }
  current = value;
}

void ApplyColor(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  const std::int32_t value = LenientStrToInt(FromCharacter(key, 3));
  SetAttribute(value, s.Emit.ColorUnset, s.HostColor, s.Emit.Color);
  if (value == 10 && t.FieldCount >= 2) s.Emit.ExtColor = t.Integer(1);
}

void ApplyFontName(string_view key) {
  ExchangeState& s = Exchange();
  const string_view name = FromCharacter(key, 4);
  if (s.HostFontName.empty()) s.HostFontName.assign(name);
  s.Emit.FontName.assign(name);
}

void ApplyTextStyle(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  const std::int32_t value = LenientStrToInt(FromCharacter(key, 3));
  const bool freeSizes = value == 0 && t.FieldCount >= 5;
  if (s.Emit.TextStyleUnset) {
    s.HostTextStyle = value;
    if (freeSizes) {
      s.HostFreeTextWidth = t.Real(1);
      s.HostFreeTextHeight = t.Real(2);
      s.HostFreeTextSpacing = t.Real(3);
      s.HostFreeTextColor = t.Integer(4);
    }
    s.Emit.TextStyleUnset = false;
  }
  s.Emit.TextStyle = value;
  if (freeSizes) {
    s.Emit.FreeTextWidth = t.Real(1);
    s.Emit.FreeTextHeight = t.Real(2);
    s.Emit.FreeTextSpacing = t.Real(3);
    s.Emit.FreeTextColor = t.Integer(4);
  }
}

// The keys matched by their beginning, the longer key first ("lgn" before "lg", "cn$"
// before "cn"): a shorter key tested first would take the longer key's lines.
bool ApplyTableOrAttributeKey(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  if (StartsWith(key, "lgn")) {
    SetName(s.GroupNames, s.Emit.LayerGroup, FromCharacter(key, 4));
  } else if (StartsWith(key, "lyn")) {
    SetName(s.LayerNames, LayerIndex(s.Emit), FromCharacter(key, 4));
  } else if (StartsWith(key, "lg")) {
    SetAttribute(HexDigitAt(key, 3), s.Emit.LayerGroupUnset, s.HostLayerGroup, s.Emit.LayerGroup);
    if (t.FieldCount >= 2) SetValue(s.GroupValues, s.Emit.LayerGroup, t.Integer(1));
  } else if (StartsWith(key, "ly")) {
    SetAttribute(HexDigitAt(key, 3), s.Emit.LayerUnset, s.HostLayer, s.Emit.Layer);
    if (t.FieldCount >= 2) SetValue(s.LayerValues, LayerIndex(s.Emit), t.Integer(1));
  } else if (StartsWith(key, "lc")) {
    ApplyColor(t, key);
  } else if (StartsWith(key, "lt")) {
    SetAttribute(LenientStrToInt(FromCharacter(key, 3)), s.Emit.LineTypeUnset, s.HostLineType,
                 s.Emit.LineType);
  } else if (StartsWith(key, "lw")) {
    SetAttribute(LenientStrToInt(FromCharacter(key, 3)), s.Emit.LineWidthUnset, s.HostLineWidth,
                 s.Emit.LineWidth);
  } else if (StartsWith(key, "cn$")) {
    ApplyFontName(key);
  } else if (StartsWith(key, "cn")) {
    ApplyTextStyle(t, key);
  } else if (StartsWith(key, "cc")) {
    s.Emit.TextCode = DecimalDigitAt(key, 3, 8);
  } else {
    return false;
  }
  return true;
}

// ---- Z flags and modes ----

bool ApplyModeKey(string_view key) {
  ExchangeState& s = Exchange();
  if (key.size() == 2 && key[0] == 'z' && key[1] >= '1' && key[1] <= '5') {
    s.ZFlags |= 1 << (key[1] - '1');
  } else if (StartsWith(key, "pn")) {
    s.Emit.PointKind = LenientStrToInt(FromCharacter(key, 3));
  } else if (key == "pl") {
    ++s.PolylineNo;
    s.InPolyline = true;
    s.InMessage = false;
  } else if (key == "msg") {
    s.InMessage = true;
    s.InPolyline = false;
  } else if (key == "#") {
    s.InPolyline = false;
    s.InMessage = false;
  } else {
    return false;
  }
  return true;
}

// ---- Indicated points ----

void ApplyHandPoint(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  std::int32_t hitKind = 0;
  string_view numberText = FromCharacter(key, 3);
  constexpr string_view kSuffixes[] = {"-", "ln", "ci", "ch"};
  for (std::int32_t k = 0; k < 4; ++k) {
    const std::size_t at = FindOnCharBoundary(key, kSuffixes[k]);
    if (at == string_view::npos) continue;
    // The number runs from the third character up to the suffix; a later suffix in this
    // order overrides an earlier one.
    numberText = at > 2 ? key.substr(2, at - 2) : string_view();
    hitKind = k + 1;
  }
  const std::int32_t number = LenientStrToInt(numberText);
  if (number < 1 || number > 99) return;
  HandPoint* slot = Entry(s.HandPoints, number);
  if (slot == nullptr) return;
  slot->Used = true;
  slot->X = t.Real(1);
  slot->Y = t.Real(2);
  slot->HitKind = hitKind;
  ++s.HandPointCount;
}

void ApplyHandPointRef(string_view key) {
  std::size_t length = key.size();
  for (const string_view suffix : {string_view("ln"), string_view("ci"), string_view("ch")}) {
    const std::size_t at = FindOnCharBoundary(key, suffix);
    // Position p (1-based) greater than 4 limits the number to p - 4 characters.
    if (at != string_view::npos && at + 1 > 4) length = at + 1 - 4;
  }
  Exchange().Emit.HandPointRef = LenientStrToInt(FromCharacter(key, 4).substr(0, length));
}

}  // namespace

bool ApplyHeaderLine(const FieldTable& t) {
  const string_view key = t.Field[0];
  if (key.empty()) return false;

  // The drawing's file name, tested before every key, so that a field 0 holding "file="
  // anywhere is never a key's line; the name is field 0 from its sixth character on. An
  // equals sign ends splitting, so a field 0 that holds one is the only field.
  if (t.FieldCount == 1 && key.size() >= 5 && key.find('=') != string_view::npos &&
      FindOnCharBoundary(key, "file=") != string_view::npos) {
    Exchange().FileName.assign(FromCharacter(key, 6));
    return true;
  }

  // Bare number lines leave here.
  const char first = key[0];
  if (!CanStartKey(first)) return false;

  if (first == 'h' || first == 'b') {
    if (ApplyHeaderKey(t, key)) return true;
  }
  if (first == 'l' || first == 'c') {
    if (ApplyTableOrAttributeKey(t, key)) return true;
  }
  if (first == 'z' || first == 'p' || first == 'm' || first == '#') {
    if (ApplyModeKey(key)) return true;
  }
  if (first == 'h') {
    if (StartsWith(key, "hp") && t.FieldCount >= 3) {
      ApplyHandPoint(t, key);
      return true;
    }
    if (StartsWith(key, "hhp")) {
      ApplyHandPointRef(key);
      return true;
    }
  }
  return false;
}
