#include "tests/support/describe_state.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <type_traits>

namespace {

// Converts to any field's type: T{AnyField{}, ...} compiles with up to T's field count.
struct AnyField {
  template <typename T>
  operator T() const;  // NOLINT(google-explicit-constructor): only ever in unevaluated context
};

template <typename T, typename... Given>
constexpr std::size_t FieldCount() {
  if constexpr (requires { T{Given{}..., AnyField{}}; })
    return FieldCount<T, Given..., AnyField>();
  else
    return sizeof...(Given);
}

// Writes each field as a line of `text` and hands each real to `reals`, either may be absent.
struct Walker {
  // Every field, each a call that puts it; counted against the struct, so none is left out.
  template <typename T, typename... Parts>
  void All(const T&, const Parts&... parts) {
    static_assert(sizeof...(Parts) == FieldCount<T>(), "describe the new field of this struct");
    (parts(*this), ...);
  }

  void Put(std::string_view name, double value) {
    if (reals != nullptr) (*reals)(prefix + std::string(name), value);
    char hex[40];
    char* end = std::to_chars(hex, hex + sizeof hex, std::fabs(value), std::chars_format::hex).ptr;
    const std::string sign = std::signbit(value) ? "-" : "";
    Line(name, sign + (std::isfinite(value) ? "0x" : "") + std::string(hex, end));
  }
  void Put(std::string_view name, std::int32_t value) { Line(name, std::to_string(value)); }
  void Put(std::string_view name, bool value) { Line(name, value ? "true" : "false"); }
  void Put(std::string_view name, std::string_view value) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      const bool plain = byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
      quoted +=
          plain ? std::string(1, c) : std::string{'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
    Line(name, quoted + "\"");
  }
  void Put(std::string_view name, const std::string& value) { Put(name, std::string_view(value)); }
  void Put(std::string_view name, const RecordText& value) { Put(name, value.view()); }
  // Tables and lists: their size, then each entry. A struct: its fields under its name.
  template <typename T>
  void Put(std::string_view name, const T& value) {
    if constexpr (requires { value.begin(); }) {
      Line(std::string(name) + ".size", std::to_string(value.size()));
      std::size_t index = 0;
      for (const auto& entry : value)
        Put(std::string(name) + "[" + std::to_string(index++) + "]", entry);
    } else {
      const std::size_t kept = prefix.size();
      prefix.append(name).append(".");
      Fields(*this, value);
      prefix.resize(kept);
    }
  }
  void Line(std::string_view name, const std::string& value) {
    if (text != nullptr) text->append(prefix).append(name).append(" ").append(value).append("\n");
  }

  std::string* text;
  const std::function<void(const std::string&, double)>* reals;
  std::string prefix;
};

// Each struct of the state with all of its fields, in declaration order. `r` is the struct.
#define FIELDS(Type, ...) \
  void Fields(Walker& w, const Type& r) { w.All(r, __VA_ARGS__); }
#define F(name) [&](Walker& to) { to.Put(#name, r.name); }
#define BASE(Type) [&](Walker& to) { Fields(to, static_cast<const Type&>(r)); }

FIELDS(StampedAttributes, F(HandPointRef), F(LayerGroup), F(Layer), F(Color), F(LineType),
       F(LineWidth))
FIELDS(CommonAttributes, BASE(StampedAttributes), F(ZFlags))
FIELDS(TJwwEntLine, BASE(CommonAttributes), F(PolylineNo), F(X1), F(Y1), F(X2), F(Y2))
FIELDS(TJwwEntCircle, BASE(CommonAttributes), F(CenterX), F(CenterY), F(Radius))
FIELDS(TJwwEntArc, BASE(CommonAttributes), F(CenterX), F(CenterY), F(Radius), F(Value4), F(Value5),
       F(Flattening), F(Tilt))
FIELDS(TJwwEntText, BASE(CommonAttributes), F(TextKind), F(TextCode), F(TextStyle), F(Width),
       F(Height), F(Spacing), F(Value1), F(Value2), F(Value3), F(Value4), F(FontName), F(Content))
FIELDS(TJwwEntPoint, BASE(CommonAttributes), F(X), F(Y))
FIELDS(TJwwEntPointEx, BASE(CommonAttributes), F(X), F(Y), F(Value3), F(Value4), F(Value5))
FIELDS(TJwwEntDim, BASE(CommonAttributes), F(Line), F(Text))
FIELDS(TJwwEntBlk, BASE(CommonAttributes), F(X), F(Y), F(Name))
template <typename T>  // the solid records: also TJwwEntSg
requires std::is_same_v<T, TJwwEntSl2> || std::is_same_v<T, TJwwEntSl3> ||
    std::is_same_v<T, TJwwEntSl4> || std::is_same_v<T, TJwwEntSo>
void Fields(Walker& w, const T& r) { w.All(r, BASE(CommonAttributes), F(ExtColor), F(Value)); }
FIELDS(TJwwEntSc, BASE(CommonAttributes), F(ExtColor), F(Value), F(Value8))  // also TJwwEntSe
FIELDS(ReadOrderEntry, F(Kind), F(Index))
FIELDS(TextStyleDef, F(Width), F(Height), F(Spacing), F(Color))
FIELDS(HandPoint, F(Used), F(X), F(Y), F(HitKind))
FIELDS(EmitState, BASE(StampedAttributes), F(TextStyle), F(FreeTextWidth), F(FreeTextHeight),
       F(FreeTextSpacing), F(FreeTextColor), F(TextCode), F(FontName), F(PointKind), F(ExtColor),
       F(LayerGroupUnset), F(LayerUnset), F(ColorUnset), F(LineTypeUnset), F(LineWidthUnset),
       F(TextStyleUnset), F(PointKindUnset))
FIELDS(ExchangeValues, F(FileName), F(HostAngle), F(GroupScales), F(PaperWidth), F(PaperHeight),
       F(TextStyles), F(BzFlag), F(HnValues), F(GroupNames), F(GroupValues), F(LayerNames),
       F(LayerValues), F(HostLayerGroup), F(HostLayer), F(HostColor), F(HostLineType),
       F(HostLineWidth), F(HostTextStyle), F(HostFreeTextWidth), F(HostFreeTextHeight),
       F(HostFreeTextSpacing), F(HostFreeTextColor), F(HostFontName), F(Emit), F(ZFlags),
       F(PolylineNo), F(InPolyline), F(InMessage), F(PendingDimLine), F(HandPoints),
       F(HandPointCount))
// Last, RecordTexts: counted, not described; the records describe their own bytes.
FIELDS(ExchangeState, BASE(ExchangeValues), F(LineList), F(CircleList), F(ArcList), F(TextList),
       F(PointList), F(PointExList), F(DimList), F(BlockList), F(Sl2List), F(Sl3List), F(Sl4List),
       F(ScList), F(SeList), F(SoList), F(SgList), F(ReadOrder), F(CommandQueue), [](Walker&) {})

#undef FIELDS
#undef F
#undef BASE

template <typename T>
std::string Describe(const T& value, std::size_t reserve = 0) {
  std::string text;
  text.reserve(reserve);
  Walker w{&text, nullptr, {}};
  Fields(w, value);
  return text;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

}  // namespace

std::string DescribeState(const ExchangeState& state) { return Describe(state, 65536); }

std::string DescribeRecord(const TJwwEntLine& record) { return Describe(record); }
std::string DescribeRecord(const TJwwEntText& record) { return Describe(record); }

void ForEachStateReal(const std::function<void(const std::string& name, double value)>& visit) {
  Walker w{nullptr, &visit, {}};
  Fields(w, Exchange());
}

std::string FirstDifference(std::string_view expected, std::string_view actual) {
  const std::vector<std::string_view> a = SplitLines(expected), b = SplitLines(actual);
  for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const std::string_view left = i < a.size() ? a[i] : "(no line)";
    const std::string_view right = i < b.size() ? b[i] : "(no line)";
    if (left == right) continue;
    return "line " + std::to_string(i + 1) + ": expected " + std::string(left) + ", got " +
           std::string(right);
  }
  return {};
}

std::string ChangedLines(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> old = SplitLines(before);
  const std::set<std::string_view> known(old.begin(), old.end());
  std::string changed;
  for (const std::string_view line : SplitLines(after))
    if (!known.contains(line)) changed.append(changed.empty() ? "" : "|").append(line);
  return changed;
}
