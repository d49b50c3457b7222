#include "tests/support/describe_state.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <type_traits>

namespace {

// Converts to the type of any field: T{AnyField{}, ...} compiles with as many initialisers as
// the aggregate T has fields (a base class counts as one).
struct AnyField {
  template <typename T>
  operator T() const;  // NOLINT(google-explicit-constructor): only ever in unevaluated context
};

template <typename T, typename... Given>
constexpr std::size_t FieldCount() {
  if constexpr (requires { T{Given{}..., AnyField{}}; }) {
    return FieldCount<T, Given..., AnyField>();
  } else {
    return sizeof...(Given);
  }
}

// A field and its name; a base class, whose fields have no name of their own.
template <typename T>
struct Named {
  std::string_view name;
  const T& value;
};
template <typename T>
struct BaseOf {
  const T& value;
};
// A field that the description leaves out, counted all the same.
template <typename T>
struct NotDescribed {
  const T& value;
};

// Writes each field as a line of `text` and hands each real to `reals`, either may be absent.
class Walker {
 public:
  using RealVisit = std::function<void(const std::string&, double)>;
  Walker(std::string* text, const RealVisit* reals) : text_(text), reals_(reals) {}

  // Every field of `record`, in order. The count is checked against the struct itself, so
  // that a field added to the state cannot be left out of the description: when this fails,
  // describe the new field in the Fields function of that struct below.
  template <typename T, typename... Parts>
  void All(const T&, const Parts&... parts) {
    static_assert(sizeof...(Parts) == FieldCount<T>(), "describe the new field of this struct");
    (Part(parts), ...);
  }

  void Put(std::string_view name, double value) {
    if (reals_ != nullptr) (*reals_)(prefix_ + std::string(name), value);
    std::array<char, 40> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                       std::fabs(value), std::chars_format::hex);
    const std::string_view hex(digits.data(),
                               static_cast<std::size_t>(written.ptr - digits.data()));
    std::string text = std::signbit(value) ? "-" : "";
    if (hex.find('p') != std::string_view::npos) text.append("0x");  // not inf or nan
    Line(name, text.append(hex));
  }
  void Put(std::string_view name, std::int32_t value) { Line(name, std::to_string(value)); }
  void Put(std::string_view name, bool value) { Line(name, value ? "true" : "false"); }
  void Put(std::string_view name, std::string_view value) {
    std::string quoted = "\"";
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
        quoted += c;
      } else {
        constexpr char kHex[] = "0123456789ABCDEF";
        quoted += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
      }
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
      const std::size_t kept = prefix_.size();
      prefix_.append(name).append(".");
      Fields(*this, value);
      prefix_.resize(kept);
    }
  }

 private:
  template <typename T>
  void Part(const Named<T>& field) {
    Put(field.name, field.value);
  }
  template <typename T>
  void Part(const BaseOf<T>& base) {
    Fields(*this, base.value);
  }
  template <typename T>
  void Part(const NotDescribed<T>&) {}

  void Line(std::string_view name, const std::string& value) {
    if (text_ == nullptr) return;
    text_->append(prefix_).append(name).append(" ").append(value).append("\n");
  }

  std::string* text_;
  const RealVisit* reals_;
  std::string prefix_;
};

template <typename T>
Named<T> Field(std::string_view name, const T& value) {
  return Named<T>{name, value};
}
template <typename B, typename T>
BaseOf<B> Base(const T& record) {
  return BaseOf<B>{record};
}

// Each struct of the state with all of its fields, in declaration order. `r` is the struct.
#define FIELD(name) Field(#name, r.name)

void Fields(Walker& w, const StampedAttributes& r) {
  w.All(r, FIELD(HandPointRef), FIELD(LayerGroup), FIELD(Layer), FIELD(Color), FIELD(LineType),
        FIELD(LineWidth));
}
void Fields(Walker& w, const CommonAttributes& r) {
  w.All(r, Base<StampedAttributes>(r), FIELD(ZFlags));
}
void Fields(Walker& w, const TJwwEntLine& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(PolylineNo), FIELD(X1), FIELD(Y1), FIELD(X2),
        FIELD(Y2));
}
void Fields(Walker& w, const TJwwEntCircle& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(CenterX), FIELD(CenterY), FIELD(Radius));
}
void Fields(Walker& w, const TJwwEntArc& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(CenterX), FIELD(CenterY), FIELD(Radius), FIELD(Value4),
        FIELD(Value5), FIELD(Flattening), FIELD(Tilt));
}
void Fields(Walker& w, const TJwwEntText& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(TextKind), FIELD(TextCode), FIELD(TextStyle),
        FIELD(Width), FIELD(Height), FIELD(Spacing), FIELD(Value1), FIELD(Value2), FIELD(Value3),
        FIELD(Value4), FIELD(FontName), FIELD(Content));
}
void Fields(Walker& w, const TJwwEntPoint& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(X), FIELD(Y));
}
void Fields(Walker& w, const TJwwEntPointEx& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(X), FIELD(Y), FIELD(Value3), FIELD(Value4),
        FIELD(Value5));
}
void Fields(Walker& w, const TJwwEntDim& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(Line), FIELD(Text));
}
void Fields(Walker& w, const TJwwEntBlk& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(X), FIELD(Y), FIELD(Name));
}
template <typename T>  // the solid records: also TJwwEntSo and TJwwEntSg
requires std::is_same_v<T, TJwwEntSl2> || std::is_same_v<T, TJwwEntSl3> ||
    std::is_same_v<T, TJwwEntSl4> || std::is_same_v<T, TJwwEntSo>
void Fields(Walker& w, const T& r) {
  w.All(r, Base<CommonAttributes>(r), FIELD(ExtColor), FIELD(Value));
}
void Fields(Walker& w, const TJwwEntSc& r) {  // also TJwwEntSe
  w.All(r, Base<CommonAttributes>(r), FIELD(ExtColor), FIELD(Value), FIELD(Value8));
}
void Fields(Walker& w, const ReadOrderEntry& r) { w.All(r, FIELD(Kind), FIELD(Index)); }
void Fields(Walker& w, const TextStyleDef& r) {
  w.All(r, FIELD(Width), FIELD(Height), FIELD(Spacing), FIELD(Color));
}
void Fields(Walker& w, const HandPoint& r) {
  w.All(r, FIELD(Used), FIELD(X), FIELD(Y), FIELD(HitKind));
}
void Fields(Walker& w, const EmitState& r) {
  w.All(r, Base<StampedAttributes>(r), FIELD(TextStyle), FIELD(FreeTextWidth),
        FIELD(FreeTextHeight), FIELD(FreeTextSpacing), FIELD(FreeTextColor), FIELD(TextCode),
        FIELD(FontName), FIELD(PointKind), FIELD(ExtColor), FIELD(LayerGroupUnset),
        FIELD(LayerUnset), FIELD(ColorUnset), FIELD(LineTypeUnset), FIELD(LineWidthUnset),
        FIELD(TextStyleUnset), FIELD(PointKindUnset));
}
void Fields(Walker& w, const ExchangeValues& r) {
  w.All(r, FIELD(FileName), FIELD(HostAngle), FIELD(GroupScales), FIELD(PaperWidth),
        FIELD(PaperHeight), FIELD(TextStyles), FIELD(BzFlag), FIELD(HnValues), FIELD(GroupNames),
        FIELD(GroupValues), FIELD(LayerNames), FIELD(LayerValues), FIELD(HostLayerGroup),
        FIELD(HostLayer), FIELD(HostColor), FIELD(HostLineType), FIELD(HostLineWidth),
        FIELD(HostTextStyle), FIELD(HostFreeTextWidth), FIELD(HostFreeTextHeight),
        FIELD(HostFreeTextSpacing), FIELD(HostFreeTextColor), FIELD(HostFontName), FIELD(Emit),
        FIELD(ZFlags), FIELD(PolylineNo), FIELD(InPolyline), FIELD(InMessage),
        FIELD(PendingDimLine), FIELD(HandPoints), FIELD(HandPointCount));
}
void Fields(Walker& w, const ExchangeState& r) {
  w.All(r, Base<ExchangeValues>(r), FIELD(LineList), FIELD(CircleList), FIELD(ArcList),
        FIELD(TextList), FIELD(PointList), FIELD(PointExList), FIELD(DimList), FIELD(BlockList),
        FIELD(Sl2List), FIELD(Sl3List), FIELD(Sl4List), FIELD(ScList), FIELD(SeList), FIELD(SoList),
        FIELD(SgList), FIELD(ReadOrder), FIELD(CommandQueue),
        // The bytes of the records' strings, which the records themselves describe; where in
        // the store they lie is no part of the state's meaning.
        NotDescribed<TextStore>{r.RecordTexts});
}

#undef FIELD

template <typename T>
std::string Describe(const T& value) {
  std::string text;
  Walker w(&text, nullptr);
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

std::string DescribeState(const ExchangeState& state) {
  std::string text;
  text.reserve(65536);
  Walker w(&text, nullptr);
  Fields(w, state);
  return text;
}

std::string DescribeRecord(const TJwwEntLine& record) { return Describe(record); }
std::string DescribeRecord(const TJwwEntText& record) { return Describe(record); }

void ForEachStateReal(const std::function<void(const std::string& name, double value)>& visit) {
  Walker w(nullptr, &visit);
  Fields(w, Exchange());
}

std::string FirstDifference(std::string_view expected, std::string_view actual) {
  const std::vector<std::string_view> a = SplitLines(expected);
  const std::vector<std::string_view> b = SplitLines(actual);
  for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const std::string_view left = i < a.size() ? a[i] : "(no line)";
    const std::string_view right = i < b.size() ? b[i] : "(no line)";
    if (left != right) {
      return "line " + std::to_string(i + 1) + ": expected " + std::string(left) + ", got " +
             std::string(right);
    }
  }
  return {};
}

std::string ChangedLines(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> old = SplitLines(before);
  const std::set<std::string_view> known(old.begin(), old.end());
  std::string changed;
  for (const std::string_view line : SplitLines(after)) {
    if (!known.contains(line)) changed.append(changed.empty() ? "" : "|").append(line);
  }
  return changed;
}
