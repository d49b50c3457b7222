#pragma once
// Real keyboard input for the dialog driver: keys go through the system's input queue as a
// person types them, so the program sees key-downs, key-ups and the Alt key exactly as from
// a keyboard: what the system makes of a lone Alt, or of an Alt+key whose key-down the
// program keeps from it, shows as it would for a user. After each key the driver waits until
// the program has read the key and handled it, not for a fixed time.
#include <windows.h>

#include <string>
#include <vector>

// One key with the modifiers held while it is pressed: "alt+2", "ctrl+tab", "ctrl+shift+tab",
// "alt", "down", "pagedown", "enter"; "*N" after the name presses it N times ("down*4").
struct KeyStroke {
  std::vector<WORD> Keys;  // virtual keys: the modifiers first, the key itself last
  int Repeat = 1;
};

// False for a name that is not known.
bool ParseKeyStroke(const std::string& name, KeyStroke& stroke);

// The strokes that type `text` on the keyboard layout in use; false where a character has no key.
bool StrokesForText(const std::wstring& text, std::vector<KeyStroke>& strokes);

class ProgramKeyboard {
 public:
  // Shares the keyboard state with the program's thread: the driver then sees which keys the
  // program has taken from its queue. The program must be in the foreground.
  ProgramKeyboard(DWORD programThread, HANDLE program, HWND form);
  bool Linked() const { return linked_; }

  // Presses and releases the stroke's keys. True once the program has handled them, or has
  // ended (a key that closed it); false when it has read nothing for 30 seconds.
  bool Type(const KeyStroke& stroke) const;

 private:
  bool WaitUntilHandled() const;

  HANDLE program_;
  HWND form_;
  bool linked_ = false;
};
