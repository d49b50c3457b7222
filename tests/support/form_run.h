#pragma once
// The form shown as the tool starts it, in a fresh folder holding the files given.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_window.h"
#include "tests/support/temp_dir.h"
#include "tool/tform1.h"

class FormRun {
 public:
  explicit FormRun(std::optional<std::string> exchange,
                   std::optional<std::string> settings = std::nullopt) {
    if (exchange) WriteBytes(Dir / "JWC_TEMP.TXT", *exchange);
    if (settings) WriteBytes(Dir / "auxline.dat", *settings);
  }
  TForm1& Start(std::vector<std::string> args,
                std::optional<ExchangeTakeover> takenOver = std::nullopt) {
    Form.emplace(Window, RunMode::Parse(args), Dir / "auxline", std::move(takenOver));
    Window.Run(*Form);
    return *Form;
  }
  std::optional<std::string> Exchange() const { return ReadBytes(Dir / "JWC_TEMP.TXT"); }
  std::optional<std::string> Settings() const { return ReadBytes(Dir / "auxline.dat"); }

  TempDir Dir;
  FakeWindow Window;
  std::optional<TForm1> Form;
};
