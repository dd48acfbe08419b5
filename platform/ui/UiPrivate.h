#pragma once
// Internal to the window layer: the Qt side of CWnd and the text and event
// conversions. Never included by the system's code.
#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>

#include "Cp1252.h"
#include "Wnd.h"

class QTimer;
class QPainter;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

struct CWndPrivate {
  QPointer<QWidget> widget;
  bool owned = false;
  int controlId = 0;
  DWORD style = 0;
  std::map<UINT_PTR, QTimer*> timers;
  int wheelRemainder = 0;
  // The painter of the paint message being handled (CPaintDC), else null.
  QPainter* painter = nullptr;
};

inline QString ToQ(const char* cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252 ? cp1252 : "")); }
inline QString ToQ(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }
inline CString FromQ(const QString& text) { return CString(Utf8ToCp1252(text.toStdString())); }
inline COLORREF FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }
QColor ToQColor(COLORREF color);

// The CWnd a widget belongs to (null for none).
CWnd* WndFromWidget(const QWidget* widget);
void SetWidgetWnd(QWidget* widget, CWnd* wnd);

// Delivers keyboard, mouse, wheel, resize and close events to the CWnd's
// handlers; true when the event was consumed.
bool DispatchWindowEvent(CWnd* wnd, QEvent* event);
UINT VirtualKeyFromQt(const QKeyEvent* event);

// Dialog units to pixels (the dialog font's average character cell).
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// Modal loop bookkeeping (dialogs, boxes, file choosers).
struct ModalScope {
  ModalScope();
  ~ModalScope();
};
// Names a modal window in AfxOpenModalWindows while it lives.
struct OpenModalEntry {
  OpenModalEntry(bool popupMenu, const CString& title);
  ~OpenModalEntry();
};

// Recolours the application from the system-colour table (night vision).
void ApplySysColorsToApplication();

// The read-only rich-text widget of a dialog's RichEdit control.
QWidget* CreateRichEditWidget(QWidget* parent);

// The image of a registered bitmap resource, drawn on first use (null when unknown).
const QImage* BitmapResourceImage(UINT id);

// Deletes the auto-deleting frames whose windows were destroyed and whose
// deletion still waits for the message loop.
void AfxDeletePendingFrames();
