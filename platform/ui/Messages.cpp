// Message boxes, the string table, the message pump and modal bookkeeping.
#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <map>

#include "App.h"
#include "SysColors.h"
#include "UiPrivate.h"

namespace {

int g_modalDepth = 0;
MessageBoxHandler g_messageBoxHandler;

std::map<UINT, CString>& StringTable() {
  static std::map<UINT, CString> table;
  return table;
}

}  // namespace

std::vector<OpenModalWindow>& OpenModals() {
  static std::vector<OpenModalWindow> list;
  return list;
}

std::function<void()>& ModalIdleHandler() {
  static std::function<void()> handler;
  return handler;
}

ModalScope::ModalScope() {
  ++g_modalDepth;
  // One timer for the whole process; it fires inside every nested loop.
  static QTimer* timer = nullptr;
  if (!timer && qApp) {
    timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
      if (g_modalDepth > 0 && ModalIdleHandler()) ModalIdleHandler()();
    });
  }
  if (timer && !timer->isActive()) timer->start(200);
}
ModalScope::~ModalScope() { --g_modalDepth; }

OpenModalEntry::OpenModalEntry(bool popupMenu, const CString& title) {
  OpenModals().push_back({popupMenu, title});
}
OpenModalEntry::~OpenModalEntry() {
  if (!OpenModals().empty()) OpenModals().pop_back();
}

std::vector<OpenModalWindow> AfxOpenModalWindows() { return OpenModals(); }
void SetModalIdleHandler(std::function<void()> handler) { ModalIdleHandler() = std::move(handler); }
int AfxModalDepth() { return g_modalDepth; }

void AfxRegisterStrings(const StringResource* table, size_t count) {
  for (size_t i = 0; i < count; ++i) StringTable()[table[i].id] = table[i].text ? table[i].text : "";
}

BOOL AfxLoadString(UINT id, CString& text) {
  auto it = StringTable().find(id);
  if (it == StringTable().end()) {
    text.clear();
    return FALSE;
  }
  text = it->second;
  return TRUE;
}

CString AfxString(UINT id) {
  CString text;
  AfxLoadString(id, text);
  return text;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_messageBoxHandler = std::move(handler); }

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  CString title = caption ? CString(caption) : AfxGetAppName();
  CString body = text ? text : "";
  if (g_messageBoxHandler) {
    ModalScope modal;
    return g_messageBoxHandler(body, title, type);
  }
  if (!qApp) return IDCANCEL;
  CWnd* ownerWnd = CWnd::FromHandle(owner);
  QWidget* parent = ownerWnd ? ownerWnd->GetWidget() : nullptr;
  if (!parent && AfxGetMainWnd()) parent = AfxGetMainWnd()->GetWidget();
  QMessageBox box(parent);
  box.setWindowTitle(ToQ(title));
  box.setText(ToQ(body));
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct Button {
    const char* label;
    int result;
    QMessageBox::ButtonRole role;
  };
  std::vector<Button> buttons;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{"OK", IDOK, QMessageBox::AcceptRole}, {"Cancel", IDCANCEL, QMessageBox::RejectRole}}; break;
    case MB_ABORTRETRYIGNORE:
      buttons = {{"&Abort", IDABORT, QMessageBox::RejectRole}, {"&Retry", IDRETRY, QMessageBox::AcceptRole},
                 {"&Ignore", IDIGNORE, QMessageBox::AcceptRole}};
      break;
    case MB_YESNOCANCEL:
      buttons = {{"&Yes", IDYES, QMessageBox::YesRole}, {"&No", IDNO, QMessageBox::NoRole},
                 {"Cancel", IDCANCEL, QMessageBox::RejectRole}};
      break;
    case MB_YESNO: buttons = {{"&Yes", IDYES, QMessageBox::YesRole}, {"&No", IDNO, QMessageBox::NoRole}}; break;
    case MB_RETRYCANCEL: buttons = {{"&Retry", IDRETRY, QMessageBox::AcceptRole}, {"Cancel", IDCANCEL, QMessageBox::RejectRole}}; break;
    default: buttons = {{"OK", IDOK, QMessageBox::AcceptRole}}; break;
  }
  std::vector<QPushButton*> widgets;
  for (const Button& b : buttons) widgets.push_back(box.addButton(QString::fromLatin1(b.label), b.role));
  size_t defaultIndex = (type & MB_DEFBUTTON2) && widgets.size() > 1 ? 1 : 0;
  box.setDefaultButton(widgets[defaultIndex]);
  // Escape closes a box only when it has a Cancel (or a single OK) button.
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].result == IDCANCEL || buttons.size() == 1) box.setEscapeButton(widgets[i]);
  {
    ModalScope modal;
    box.exec();
  }
  for (size_t i = 0; i < widgets.size(); ++i)
    if (box.clickedButton() == widgets[i]) return buttons[i].result;
  return buttons.size() == 1 ? IDOK : IDCANCEL;
}

int AfxMessageBox(const char* text, UINT type, UINT) { return MessageBox(nullptr, text, nullptr, type); }

int AfxMessageBox(UINT stringId, UINT type, UINT) {
  return MessageBox(nullptr, AfxString(stringId).c_str(), nullptr, type);
}

BOOL MessageBeep(UINT) {
  if (qApp) QApplication::beep();
  return TRUE;
}

namespace {
int g_pumpDepth = 0;
}  // namespace

void PumpMessages() {
  if (!qApp) return;
  ++g_pumpDepth;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --g_pumpDepth;
}

bool InsideMessagePump() { return g_pumpDepth > 0; }

void ApplySysColorsToApplication() {
  if (!qApp) return;
  QPalette palette = QApplication::palette();
  auto set = [&](QPalette::ColorRole role, int element) { palette.setColor(role, ToQColor(GetSysColor(element))); };
  set(QPalette::Window, COLOR_BTNFACE);
  set(QPalette::Button, COLOR_BTNFACE);
  set(QPalette::Base, COLOR_WINDOW);
  set(QPalette::Text, COLOR_WINDOWTEXT);
  set(QPalette::WindowText, COLOR_WINDOWTEXT);
  set(QPalette::ButtonText, COLOR_WINDOWTEXT);
  set(QPalette::Highlight, 13);    // highlight
  set(QPalette::HighlightedText, 14);
  set(QPalette::Light, 20);
  set(QPalette::Midlight, 22);
  set(QPalette::Dark, 16);
  QApplication::setPalette(palette);
}
