#include "tool/tform1.h"

#include <utility>

#include "exchange/writing/command_writer.h"
#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"
#include "os/file_system.h"
#include "os/system_error.h"
#include "tool/constructions.h"
#include "tool/dialog_layout.h"
#include "tool/run_commands.h"
#include "tool/run_log.h"

namespace {

constexpr char kExchangeFileName[] = "JWC_TEMP.TXT";

constexpr DrawingWidget kDrawingWidgets[] = {DrawingWidget::LabelA1, DrawingWidget::EditA1,
                                             DrawingWidget::LabelA2, DrawingWidget::EditA2,
                                             DrawingWidget::LabelA3, DrawingWidget::EditA3};

// The list entry that shows a stored value: value + offset, or none (-1) when that lies
// outside the list. Computed wide so that no stored value can overflow.
int ListIndexFor(std::int32_t value, int offset, std::size_t count) {
  const long long index = static_cast<long long>(value) + offset;
  return index >= 0 && index < static_cast<long long>(count) ? static_cast<int>(index) : -1;
}

// Why an exchange file holding exactly "hq" is not read: it is this tool's own output.
constexpr std::string_view kOwnOutputWhy =
    "it holds this tool's own \"hq\" (another run's dialog may still be open)";

// Why a file could not be read: the file layer refuses anything but a regular file with an
// error that says little (EINVAL), so that case is named here.
std::string ReadFailureText(const std::filesystem::path& path, const FileResult& error) {
  std::error_code ignored;
  const auto type = std::filesystem::status(path, ignored).type();
  if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found)
    return "it is not a regular file";
  return FileResultText(error);
}

}  // namespace

std::filesystem::path ExchangeFilePathFor(const std::filesystem::path& exePath) {
  return exePath.parent_path() / kExchangeFileName;
}

// The paths are fixed here, before any handler runs: a close that came before the run
// sequence must still write beside the executable, never into the working directory.
TForm1::TForm1(FormWindow& window, RunMode mode, std::filesystem::path exePath,
               std::optional<ExchangeTakeover> takenOver)
    : ExeDir(exePath.parent_path() / ""),
      window_(window),
      mode_(mode),
      exePath_(std::move(exePath)),
      exchangeFilePath_(ExchangeFilePathFor(exePath_)),
      takeover_(std::move(takenOver)),
      exchange_(mode_.HasArguments() ? ExchangeFileOutcome::Pending
                                     : ExchangeFileOutcome::NotForThisRun) {}

std::filesystem::path TForm1::SettingsPath() const { return SettingsPathFor(exePath_); }

ToolSettings TForm1::Settings() const {
  return ToolSettings{PresetLayerGroup, PresetLayer, PresetLineType, PresetLineWidth,
                      Radius,           Ratio,       Angle};
}

void TForm1::SetSettings(const ToolSettings& settings) {
  PresetLayerGroup = settings.PresetLayerGroup;
  PresetLayer = settings.PresetLayer;
  PresetLineType = settings.PresetLineType;
  PresetLineWidth = settings.PresetLineWidth;
  Radius = settings.Radius;
  Ratio = settings.Ratio;
  Angle = settings.Angle;
}

void TForm1::LoadSettings() {
  SettingsFileContents contents = ReadSettingsFile(SettingsPath());
  SetSettings(contents.Values);
  settings_ = contents.Unreadable ? SettingsFileOutcome::Unreadable : SettingsFileOutcome::Read;
  loadedSettingsBytes_ = std::move(contents.WholeFile);
}

// Every run without a dialog saves its unchanged settings; when the file already holds
// exactly those bytes, rewriting it would only cost a file replacement. Otherwise the file
// is replaced crash-safely: when the save fails, the previous settings survive.
void TForm1::SaveSettings() {
  std::string bytes = FormatSettings(Settings());
  if (loadedSettingsBytes_ == bytes) return;
  if (!WriteSettingsFile(SettingsPath(), bytes)) {
    settings_ = SettingsFileOutcome::NotSaved;
    return;
  }
  settings_ = SettingsFileOutcome::Saved;
  loadedSettingsBytes_ = std::move(bytes);
}

// False when the exchange file is there but was not read to its end; `why` then holds the
// system's words for it, where it gave any. A missing file is not a failure: the run goes on
// with the defaults.
bool TForm1::ReadExchange(std::string& why) {
  if (!takeover_) {
    // The tool's own "hq" (of a run whose dialog may still be open) is no host input.
    if (mode_.HasArguments() && HoldsNothingToDraw(ExchangeFilePath())) {
      exchange_ = ExchangeFileOutcome::OwnOutput;
      why = kOwnOutputWhy;
      return false;
    }
    const ExchangeFileReading reading = ReadExchangeFileTellingWhy(ExchangeFilePath());
    if (reading.Outcome != ExchangeFileRead::NotToItsEnd) return true;
    why = ReadFailureText(ExchangeFilePath(), reading.Error);
    return false;
  }
  if (takeover_->OwnOutput && mode_.HasArguments()) exchange_ = ExchangeFileOutcome::OwnOutput;
  why = takeover_->OwnOutput ? std::string(kOwnOutputWhy)
                             : ReadFailureText(ExchangeFilePath(), takeover_->ReadError);
  const bool read = takeover_->ReadToItsEnd && ReadExchangeBytes(takeover_->Bytes);
  std::string().swap(takeover_->Bytes);
  return read;
}

void TForm1::FormShow() {
  if (mode_.HasArguments()) window_.SetWindowState(WindowState::Minimised);
  InitExchangeState();
  // Built on part of the host's data, or on none of it, a construction would be plainly
  // wrong (a file whose points come last gives a line through the origin), and the restore
  // block would send the host to layer group 0. A run with arguments therefore builds
  // nothing: the close sequence gives the host "hq" (the queue is empty) and the run ends
  // as failed. The settings dialog uses nothing of the file and opens as always.
  std::string why;
  if (!ReadExchange(why) && mode_.HasArguments()) {
    NoteRunFailure("the exchange file " + PathText(ExchangeFilePath()) + " could not be read", why);
    if (exchange_ != ExchangeFileOutcome::OwnOutput) exchange_ = ExchangeFileOutcome::Unread;
    Close();
    return;
  }
  LoadSettings();
  // A save cut short (a killed run, a replace that failed half-way) may have left the settings
  // only in a copy beside their empty name: the newest complete one becomes the settings.
  // Asked only where the load found no file, so that an ordinary run opens nothing more.
  const bool noSettingsFile = !loadedSettingsBytes_ && settings_ != SettingsFileOutcome::Unreadable;
  if (const auto copy =
          noSettingsFile ? RestoreSettingsFromLeftCopy(SettingsPath()) : std::nullopt) {
    LoadSettings();
    NoteRunRepair("the settings file " + PathText(SettingsPath()) +
                  " was missing; it was put back from its last complete copy " + PathText(*copy));
  }
  // Temporary files that killed runs left behind go now, whether or not this run saves.
  RemoveAbandonedTemporariesOf(SettingsPath());
  if (mode_.HasArguments()) RemoveAbandonedTemporariesOf(ExchangeFilePath());

  bool dialog = false;
  if (!mode_.HasArguments()) {
    dialog = true;
    window_.SetActivePage(Page::TabSheet2);
  } else if (!QueueRunCommands(Settings(), mode_)) {
    Close();  // "/R5" to "/R7" without a line: the attribute block alone goes back
    return;
  }

  for (const DrawingWidget widget : kDrawingWidgets) window_.SetWidgetVisible(widget, false);
  if (mode_.IsEllipseRun()) {
    SetUpEllipseWidgets();
    dialog = true;
  }

  if (!dialog) {
    if (settings_ != SettingsFileOutcome::Unreadable) SaveSettings();
    Close();
    return;
  }
  PlaceAndFillDialog();
}

void TForm1::SetUpEllipseWidgets() {
  for (const DrawingWidget widget : kDrawingWidgets) window_.SetWidgetVisible(widget, true);
  window_.SetCaption(DrawingWidget::LabelA1, layout::kRadiusCaption);
  window_.SetCaption(DrawingWidget::LabelA2, layout::kRatioCaption);
  window_.SetCaption(DrawingWidget::LabelA3, layout::kAngleCaption);
  window_.SetText(DrawingWidget::EditA1, RealToText(Radius));
  window_.SetText(DrawingWidget::EditA2, RealToText(Ratio));
  window_.SetText(DrawingWidget::EditA3, RealToText(Angle));
  window_.SetActivePage(Page::TabSheet1);
}

void TForm1::PlaceAndFillDialog() {
  // Centred on the mouse cursor; integer halves truncate toward zero, and the window is
  // deliberately not kept inside the screen.
  const ScreenPoint cursor = window_.CursorPosition();
  const WindowSize size = window_.OuterSize();
  window_.MoveTo(cursor.X - size.Width / 2, cursor.Y - size.Height / 2);
  window_.SetWindowState(WindowState::Normal);

  const std::vector<std::string> groups = layout::LayerGroupItems();
  const std::vector<std::string> layers = layout::LayerItems();
  const std::vector<std::string> lineTypes = layout::LineTypeItems();
  window_.FillList(ListBox::ComboBox1, groups);
  window_.FillList(ListBox::ComboBox2, layers);
  window_.FillList(ListBox::ComboBox3, lineTypes);
  window_.SetListText(ListBox::ComboBox4, "");

  window_.SelectItem(ListBox::ComboBox1, ListIndexFor(PresetLayerGroup, 1, groups.size()));
  window_.SelectItem(ListBox::ComboBox2, ListIndexFor(PresetLayer, 1, layers.size()));
  window_.SelectItem(ListBox::ComboBox3, ListIndexFor(PresetLineType, 0, lineTypes.size()));
  if (PresetLineWidth >= 0) {
    window_.SetListText(ListBox::ComboBox4, std::to_string(PresetLineWidth));
  }
}

// A list with no selected entry (the settings file held a value outside it) keeps the
// loaded value: storing -2 or -1 from a missing selection would change a setting the user
// never touched.
void TForm1::ReadListsBack() {
  const int group = window_.SelectedItem(ListBox::ComboBox1);
  if (group >= 0) PresetLayerGroup = group - 1;
  const int layer = window_.SelectedItem(ListBox::ComboBox2);
  if (layer >= 0) PresetLayer = layer - 1;
  const int lineType = window_.SelectedItem(ListBox::ComboBox3);
  if (lineType >= 0) PresetLineType = lineType;
  const std::string width = window_.ListText(ListBox::ComboBox4);
  PresetLineWidth = width.empty() ? -1 : LenientStrToInt(width);
}

void TForm1::Button1Click() {
  if (closed_) return;
  ReadListsBack();
  if (mode_.IsEllipseRun()) {
    Radius = LenientStrToFloat(window_.Text(DrawingWidget::EditA1));
    Ratio = LenientStrToFloat(window_.Text(DrawingWidget::EditA2));
    Angle = LenientStrToFloat(window_.Text(DrawingWidget::EditA3));
    // Refused silently: the dialog stays open with the user's entries.
    if (!AcceptsEllipse(Radius, Ratio)) return;
    Angle = ReduceToFullTurn(Angle);
    QueueEllipseRun(Settings());
  }
  SaveSettings();
  Close();
}

void TForm1::Button2Click() { Close(); }

// The exchange file gets "hq", never the attribute block queued for it (which would change
// the host's current layer and line type).
void TForm1::DialogUnavailable() {
  if (exchange_ == ExchangeFileOutcome::Pending) exchange_ = ExchangeFileOutcome::NothingToDraw;
  Close();
}

void TForm1::Close() {
  if (closed_) return;
  closed_ = true;
  FormClose();
  window_.Close();
}

void TForm1::FormClose() {
  // Writing needs only the command queue: the records of a large file are given back while
  // the file is replaced.
  ReleaseRecordsDuring([this] { WriteExchange(); });
  ReleaseExchangeState();
}

// A file left alone (the tool's own output), or one the host has put new input in since the
// takeover, is the host's business now. An unread file gets "hq" (nothing was queued), and
// the run stays failed for it.
void TForm1::WriteExchange() {
  if (exchange_ == ExchangeFileOutcome::NotForThisRun ||
      exchange_ == ExchangeFileOutcome::OwnOutput) {
    return;
  }
  if (takeover_ && !StillTakenOver(ExchangeFilePath(), *takeover_)) {
    exchange_ = ExchangeFileOutcome::ChangedByHost;
    NoteRunFailure("the exchange file " + PathText(ExchangeFilePath()) + " was left as it is",
                   "it no longer holds what this run wrote before its dialog opened");
    return;
  }
  const FileResult written = exchange_ == ExchangeFileOutcome::NothingToDraw
                                 ? ReplaceExchangeFile(ExchangeFilePath(), kNothingToDraw)
                                 : WriteExchangeFile(ExchangeFilePath());
  if (!written) {
    NoteRunFailure("the exchange file " + PathText(ExchangeFilePath()) + " could not be written",
                   written);
  }
  if (exchange_ == ExchangeFileOutcome::Unread) return;
  exchange_ = written ? ExchangeFileOutcome::Written : ExchangeFileOutcome::NotWritten;
}
