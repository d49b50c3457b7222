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

class TForm1 final : public FormEvents {
 public:
  // mode: the run's mode, parsed from the command line.
  // exePath: the full path of the running executable, as the operating system reports it;
  // the exchange file and the settings file lie beside it.
  // takenOver: the exchange file as read when it was taken over before the window was
  // made; the run sequence then reads these bytes instead of the file.
  TForm1(FormWindow& window, RunMode mode, std::filesystem::path exePath,
         std::optional<ExchangeTakeover> takenOver = std::nullopt);
  // The same, parsing `args`: the command-line arguments after the program's own path
  // (UTF-8).
  TForm1(FormWindow& window, const std::vector<std::string>& args, std::filesystem::path exePath,
         std::optional<ExchangeTakeover> takenOver = std::nullopt);

  void FormShow() override;
  void FormClose();
  void Button1Click() override;
  void Button2Click() override;
  bool IsClosed() const override { return closed_; }

  // Runs the close sequence once and closes the window.
  void Close();

  void LoadSettings();
  void SaveSettings();
  std::filesystem::path SettingsPath() const;  // executable path with extension ".dat"

  // False when the close sequence could not write the exchange file.
  bool ExchangeFileWritten() const { return exchangeWritten_; }
  // True when a run with arguments found an exchange file that it could not read to its
  // end: it built nothing and gave the host "hq" (where the file could be replaced).
  bool ExchangeFileUnread() const { return exchangeUnread_; }

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

  void SetUpEllipseWidgets();
  void PlaceAndFillDialog();
  void ReadListsBack();

  FormWindow& window_;
  const RunMode mode_;
  const std::filesystem::path exePath_;
  const std::filesystem::path exchangeFilePath_;
  std::optional<ExchangeTakeover> takenOver_;
  bool closed_ = false;
  bool exchangeWritten_ = true;
  bool exchangeUnread_ = false;
  // The exchange file is never written by this run: it held the tool's own "hq".
  bool exchangeLeftAlone_ = false;
  // The takeover of a dialog run, once its bytes are read: what OK checks before writing.
  std::optional<ExchangeTakeover> writtenByTakeover_;
  // The settings file as loaded, when it was read to its end: a save that would write
  // the same bytes again leaves the file alone.
  std::optional<std::string> loadedSettingsBytes_;
  // A settings file exists but could not be opened or read: a run without a dialog must
  // not replace it with the defaults it fell back to.
  bool settingsFileUnread_ = false;
  // The left copy of a save cut short that this run put in place of missing settings.
  std::optional<std::filesystem::path> settingsRestoredFrom_;
};
