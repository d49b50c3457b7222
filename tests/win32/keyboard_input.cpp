#include "tests/win32/keyboard_input.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr DWORD kReadTimeoutMs = 30000;
constexpr DWORD kPollMs = 5;
constexpr WORD kMarkerKey = 0x88;  // a virtual key no keyboard has, so nothing reacts to it

struct NamedKey {
  const char* Name;
  WORD Key;
};
constexpr NamedKey kNamedKeys[] = {
    {"alt", VK_MENU},     {"ctrl", VK_CONTROL},  {"shift", VK_SHIFT}, {"tab", VK_TAB},
    {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"space", VK_SPACE}, {"backspace", VK_BACK},
    {"down", VK_DOWN},    {"up", VK_UP},         {"f4", VK_F4},       {"pagedown", VK_NEXT},
    {"pageup", VK_PRIOR},
};

bool KeyOfName(const std::string& name, WORD& key) {
  for (const NamedKey& named : kNamedKeys) {
    if (name == named.Name) {
      key = named.Key;
      return true;
    }
  }
  // A letter or digit: its virtual key is the upper-case character.
  if (name.size() == 1 && (std::isdigit(static_cast<unsigned char>(name[0])) ||
                           std::isalpha(static_cast<unsigned char>(name[0])))) {
    key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  return false;
}

INPUT KeyEvent(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  const bool extended = key == VK_DOWN || key == VK_UP || key == VK_NEXT || key == VK_PRIOR;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

}  // namespace

bool ParseKeyStroke(const std::string& name, KeyStroke& stroke) {
  stroke = {};
  std::string keys = name;
  const size_t times = name.find('*');
  if (times != std::string::npos) {
    keys = name.substr(0, times);
    stroke.Repeat = std::atoi(name.c_str() + times + 1);
    if (stroke.Repeat < 1) return false;
  }
  size_t begin = 0;
  for (;;) {
    const size_t plus = keys.find('+', begin);
    WORD key = 0;
    if (!KeyOfName(keys.substr(begin, plus - begin), key)) return false;
    stroke.Keys.push_back(key);
    if (plus == std::string::npos) return true;
    begin = plus + 1;
  }
}

bool StrokesForText(const std::wstring& text, std::vector<KeyStroke>& strokes) {
  for (wchar_t character : text) {
    const SHORT scan = VkKeyScanW(character);
    if (scan == -1) return false;
    KeyStroke stroke;
    if (scan & 0x100) stroke.Keys.push_back(VK_SHIFT);
    stroke.Keys.push_back(static_cast<WORD>(scan & 0xFF));
    strokes.push_back(stroke);
  }
  return true;
}

ProgramKeyboard::ProgramKeyboard(DWORD programThread, HANDLE program, HWND form)
    : program_(program), form_(form) {
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its input state
  linked_ = AttachThreadInput(GetCurrentThreadId(), programThread, TRUE) != FALSE;
}

bool ProgramKeyboard::Type(const KeyStroke& stroke) const {
  std::vector<INPUT> events;
  for (WORD key : stroke.Keys) events.push_back(KeyEvent(key, false));
  // Released in the order pressed, as a hand lifts off: Alt comes up before the key it was
  // held for.
  for (WORD key : stroke.Keys) events.push_back(KeyEvent(key, true));
  for (int i = 0; i < stroke.Repeat; ++i) {
    SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
    if (!WaitUntilHandled()) return false;
  }
  return true;
}

// The program reads its input in order: once it has read a key that nothing uses, pressed
// after the stroke, it has read the stroke. The shared key state shows that key as pressed
// from the moment the program takes its key-down from the queue until it takes its key-up.
// A message sent then is handled once the program has finished with what it read.
bool ProgramKeyboard::WaitUntilHandled() const {
  for (const bool up : {false, true}) {
    INPUT marker = KeyEvent(kMarkerKey, up);
    SendInput(1, &marker, sizeof(INPUT));
    const DWORD start = GetTickCount();
    while ((GetKeyState(kMarkerKey) < 0) == up) {
      if (WaitForSingleObject(program_, kPollMs) == WAIT_OBJECT_0) return true;  // a key closed it
      if (GetTickCount() - start > kReadTimeoutMs) return false;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, kReadTimeoutMs, &ignored);
  }
  return true;
}
