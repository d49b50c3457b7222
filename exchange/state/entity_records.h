#pragma once
// The entity records as the exchange state lists them: the attributes every record opens
// with, then each kind's own fields. Integers are signed 32-bit, reals doubles, strings
// RecordText.
#include <array>
#include <cstdint>

#include "exchange/state/record_text.h"

// The six attributes that EmitState holds and stamps into every entity record it makes.
struct StampedAttributes {
  std::int32_t HandPointRef = 0;
  std::int32_t LayerGroup = 0, Layer = 0;
  std::int32_t Color = 1, LineType = 1, LineWidth = 0;
  bool operator==(const StampedAttributes&) const = default;
};

// The seven integers every entity record opens with, copied from EmitState and the
// entity-line context when the record is made.
struct CommonAttributes : StampedAttributes {
  std::int32_t ZFlags = 0;
  bool operator==(const CommonAttributes&) const = default;
};

struct TJwwEntLine : CommonAttributes {
  std::int32_t PolylineNo = 0;
  double X1 = 0.0, Y1 = 0.0, X2 = 0.0, Y2 = 0.0;
  bool operator==(const TJwwEntLine&) const = default;
};

struct TJwwEntCircle : CommonAttributes {
  double CenterX = 0.0, CenterY = 0.0, Radius = 0.0;
};

struct TJwwEntArc : CommonAttributes {
  double CenterX = 0.0, CenterY = 0.0, Radius = 0.0;
  double Value4 = 0.0, Value5 = 0.0, Flattening = 0.0, Tilt = 0.0;
};

struct TJwwEntText : CommonAttributes {
  std::int32_t TextKind = 0;
  std::int32_t TextCode = 0;
  std::int32_t TextStyle = 0;
  double Width = 0.0, Height = 0.0, Spacing = 0.0;
  double Value1 = 0.0, Value2 = 0.0, Value3 = 0.0, Value4 = 0.0;
  RecordText FontName;
  RecordText Content;
};

struct TJwwEntPoint : CommonAttributes {
  double X = 0.0, Y = 0.0;
};

struct TJwwEntPointEx : CommonAttributes {
  double X = 0.0, Y = 0.0, Value3 = 0.0, Value4 = 0.0;
  std::int32_t Value5 = 0;
};

struct TJwwEntDim : CommonAttributes {
  TJwwEntLine Line;
  TJwwEntText Text;
};

struct TJwwEntBlk : CommonAttributes {
  double X = 0.0, Y = 0.0;
  RecordText Name;
};

struct TJwwEntSl2 : CommonAttributes {
  std::int32_t ExtColor = 0;
  std::array<double, 4> Value{};  // Value1..Value4 at index 0..3
};

struct TJwwEntSl3 : CommonAttributes {
  std::int32_t ExtColor = 0;
  std::array<double, 6> Value{};  // Value1..Value6
};

struct TJwwEntSl4 : CommonAttributes {
  std::int32_t ExtColor = 0;
  std::array<double, 8> Value{};  // Value1..Value8
};

struct TJwwEntSc : CommonAttributes {
  std::int32_t ExtColor = 0;
  std::array<double, 7> Value{};  // Value1..Value7
  std::int32_t Value8 = 0;
};
using TJwwEntSe = TJwwEntSc;

struct TJwwEntSo : CommonAttributes {
  std::int32_t ExtColor = 0;
  std::array<double, 8> Value{};  // Value1..Value8
};
using TJwwEntSg = TJwwEntSo;
