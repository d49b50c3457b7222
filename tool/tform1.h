#pragma once
// The tool's one form. FormShow is the run sequence, FormClose the close sequence,
// Button1Click the OK handler and Button2Click the Cancel handler; all of them drive the
// window only through FormWindow.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exchange/writing/exchange_takeover.h"
#include "tool/form_window.h"
#include "tool/run_mode.h"
#include "tool/settings_file.h"

// The exchange file: "JWC_TEMP.TXT" in the executable's directory.
std::filesystem::path ExchangeFilePathFor(const std::filesystem::path& exePath);

// What became of the exchange file in a run; set where it happens, read by the close
// sequence (what it writes) and by the run's exit status.
enum class ExchangeFileOutcome {
  NotForThisRun,  // a run without arguments never writes it
  Pending,        // read to its end, or missing: the close sequence writes the result
  NothingToDraw,  // the dialog could not be shown: the close sequence writes "hq"
  Written,        // the close sequence wrote the result
  // The run failed:
  Unread,         // there but not read to its end: nothing built, "hq" written where it could be
  OwnOutput,      // it held the tool's own "hq": left alone
  ChangedByHost,  // the host put new input there since the takeover: left alone
  NotWritten,     // the close sequence could not write it
};

// What became of the settings file in a run.
enum class SettingsFileOutcome {
  NotRead,
  Read,        // read to its end, or missing (the defaults)
  Unreadable,  // there but not read: a run without a dialog must not replace it
  Saved,
  NotSaved,  // the previous file stays
};

class TForm1 final : public FormEvents {
 public:
  // mode: the run's mode, parsed from the command line.
  // exePath: the full path of the running executable, as the operating system reports it;
  // the exchange file and the settings file lie beside it.
  // takenOver: the exchange file as read when it was taken over before the window was
  // made; the run sequence then reads these bytes instead of the file.
  TForm1(FormWindow& window, RunMode mode, std::filesystem::path exePath,
         std::optional<ExchangeTakeover> takenOver = std::nullopt);

  void FormShow() override;
  void FormClose();
  void Button1Click() override;
  void Button2Click() override;
  void DialogUnavailable() override;
  bool IsClosed() const override { return closed_; }

  // Runs the close sequence once and closes the window.
  void Close();

  void LoadSettings();
  void SaveSettings();
  std::filesystem::path SettingsPath() const;  // executable path with extension ".dat"

  ExchangeFileOutcome ExchangeFile() const { return exchange_; }
  SettingsFileOutcome SettingsFile() const { return settings_; }
  // The run failed for its exchange file (see ExchangeFileOutcome).
  bool ExchangeFileFailed() const { return exchange_ >= ExchangeFileOutcome::Unread; }

  // The seven settings.
  std::int32_t PresetLayerGroup = -1;
  std::int32_t PresetLayer = -1;
  std::int32_t PresetLineType = 0;
  std::int32_t PresetLineWidth = -1;
  double Radius = 100.0;
  double Ratio = 1.0;
  double Angle = 0.0;

  // Directory of the running executable, with its trailing separator; fixed when the form
  // is made.
  std::filesystem::path ExeDir;
  // The exchange file, "JWC_TEMP.TXT" in ExeDir: read at show time, written at close time.
  const std::filesystem::path& ExchangeFilePath() const { return exchangeFilePath_; }

  ToolSettings Settings() const;
  void SetSettings(const ToolSettings& settings);

 private:
  bool ReadExchange(std::string& why);
  void WriteExchange();

  void SetUpEllipseWidgets();
  void PlaceAndFillDialog();
  void ReadListsBack();

  FormWindow& window_;
  const RunMode mode_;
  const std::filesystem::path exePath_;
  const std::filesystem::path exchangeFilePath_;
  // The takeover of a dialog run: its bytes until the run sequence reads them, then what
  // the close sequence checks before writing.
  std::optional<ExchangeTakeover> takeover_;
  bool closed_ = false;
  ExchangeFileOutcome exchange_;
  SettingsFileOutcome settings_ = SettingsFileOutcome::NotRead;
  // The settings file as loaded, when it was read to its end: a save that would write
  // the same bytes again leaves the file alone.
  std::optional<std::string> loadedSettingsBytes_;
};
