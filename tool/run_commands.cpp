#include "tool/run_commands.h"

#include "exchange/state/exchange_state.h"
#include "exchange/writing/command_writer.h"
#include "tool/constructions.h"

namespace {

void QueueAttributeBlock(const ToolSettings& settings) {
  const ExchangeState& state = Exchange();
  EmitLayerGroup(settings.PresetLayerGroup == -1 ? state.HostLayerGroup
                                                 : settings.PresetLayerGroup);
  EmitLayer(settings.PresetLayer == -1 ? state.HostLayer : settings.PresetLayer);
  EmitColor(9, 0);
  EmitLineType(settings.PresetLineType, 1);
  EmitLineWidth(settings.PresetLineWidth);
}

void QueueRestoreBlock(const ToolSettings& settings) {
  const ExchangeState& state = Exchange();
  if (settings.PresetLayerGroup != -1) EmitLayerGroup(state.HostLayerGroup);
  if (settings.PresetLayer != -1) EmitLayer(state.HostLayer);
}

}  // namespace

bool QueueRunCommands(const ToolSettings& settings, const RunMode& mode) {
  ResetEmitState();
  QueueAttributeBlock(settings);
  if (!ConstructionRun(mode)) return false;
  if (!mode.IsEllipseRun()) QueueRestoreBlock(settings);
  return true;
}

bool AcceptsEllipse(double radius, double ratio) {
  return radius > kGeometryThreshold && ratio > kGeometryThreshold;
}

void QueueEllipseRun(const ToolSettings& settings) {
  EllipseRun(settings.Radius, settings.Ratio, settings.Angle);
  QueueRestoreBlock(settings);
}
