// Keyboard, mouse and wheel events delivered to windows the Windows way:
// virtual-key codes, button flags, client coordinates and 120-unit wheel steps.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include "UiPrivate.h"

UINT VirtualKeyFromQt(const QKeyEvent* event) {
  const int key = event->key();
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return keypad ? VK_NUMPAD0 + static_cast<UINT>(key - Qt::Key_0) : static_cast<UINT>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : static_cast<UINT>('8');
    case Qt::Key_Plus: return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Comma: return keypad ? VK_DECIMAL : VK_OEM_COMMA;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon: return VK_OEM_1;
    case Qt::Key_QuoteLeft: return VK_OEM_3;
    case Qt::Key_BracketLeft: return VK_OEM_4;
    case Qt::Key_Backslash: return VK_OEM_5;
    case Qt::Key_BracketRight: return VK_OEM_6;
    case Qt::Key_Apostrophe: return VK_OEM_7;
    case Qt::Key_Less:
    case Qt::Key_Greater: return VK_OEM_102;
    default: return 0;
  }
}

short GetKeyState(int virtualKey) {
  Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
  bool down = false;
  switch (virtualKey) {
    case VK_SHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU: down = mods & Qt::AltModifier; break;
    default: {
      Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
      if (virtualKey == 0x01) down = buttons & Qt::LeftButton;
      if (virtualKey == 0x02) down = buttons & Qt::RightButton;
      if (virtualKey == 0x04) down = buttons & Qt::MiddleButton;
      break;
    }
  }
  return down ? static_cast<short>(0x8000) : 0;
}

namespace {

UINT MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  UINT flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (mods & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (mods & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

UINT KeyFlags(const QKeyEvent* key, bool release) {
  // Bits 0-7 scan code, bit 14 the previous key state, bit 31 the transition.
  UINT scan = key->nativeScanCode() >= 8 ? (key->nativeScanCode() - 8) & 0xFF : 0;
  UINT flags = scan;
  if (key->isAutoRepeat() || release) flags |= 1u << 14;
  return flags;
}

}  // namespace

bool DispatchWindowEvent(CWnd* wnd, QEvent* event) {
  if (!wnd) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (UINT vk = VirtualKeyFromQt(key)) wnd->OnKeyDown(vk, 1, KeyFlags(key, false));
      std::string text = Utf8ToCp1252(key->text().toStdString());
      for (unsigned char c : text) wnd->OnChar(c, 1, KeyFlags(key, false));
      return true;
    }
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (UINT vk = VirtualKeyFromQt(key)) wnd->OnKeyUp(vk, 1, KeyFlags(key, true));
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint p = mouse->position().toPoint();
      CPoint point(p.x(), p.y());
      UINT flags = MouseFlags(mouse->buttons(), mouse->modifiers());
      Qt::MouseButton b = mouse->button();
      if (event->type() == QEvent::MouseMove) {
        wnd->OnMouseMove(flags, point);
      } else if (event->type() == QEvent::MouseButtonPress) {
        if (b == Qt::LeftButton) wnd->OnLButtonDown(flags, point);
        if (b == Qt::RightButton) wnd->OnRButtonDown(flags, point);
        if (b == Qt::MiddleButton) wnd->OnMButtonDown(flags, point);
      } else if (event->type() == QEvent::MouseButtonRelease) {
        if (b == Qt::LeftButton) wnd->OnLButtonUp(flags, point);
        if (b == Qt::RightButton) wnd->OnRButtonUp(flags, point);
        if (b == Qt::MiddleButton) wnd->OnMButtonUp(flags, point);
      } else {
        if (b == Qt::LeftButton) wnd->OnLButtonDblClk(flags, point);
        if (b == Qt::RightButton) wnd->OnRButtonDblClk(flags, point);
      }
      return true;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      // Fine-grained wheels are gathered into whole 120-unit notches.
      int& remainder = wnd->Private()->wheelRemainder;
      remainder += wheel->angleDelta().y();
      int steps = remainder / WHEEL_DELTA;
      if (steps != 0) {
        remainder -= steps * WHEEL_DELTA;
        QPoint g = wheel->globalPosition().toPoint();
        wnd->OnMouseWheel(MouseFlags(wheel->buttons(), wheel->modifiers()),
                          static_cast<short>(steps * WHEEL_DELTA), CPoint(g.x(), g.y()));
      }
      return true;
    }
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
      wnd->OnKillFocus(nullptr);
      return false;
    case QEvent::Resize: {
      auto* resize = static_cast<QResizeEvent*>(event);
      QWidget* w = wnd->GetWidget();
      UINT type = SIZE_RESTORED;
      if (w && (w->window()->windowState() & Qt::WindowMaximized)) type = SIZE_MAXIMIZED;
      wnd->OnSize(type, resize->size().width(), resize->size().height());
      return false;
    }
    default:
      return false;
  }
}
