#include "Dialog.h"

#include <QRegularExpression>

#include <QButtonGroup>
#include <QHeaderView>
#include <QTabBar>
#include <QTreeWidget>
#include <QCalendarWidget>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <map>

#include "App.h"
#include "NumberFormat.h"
#include "UiPrivate.h"

// ---- Templates ---------------------------------------------------------------------

namespace {

// Tells a dialog that one of its edits received the focus.
class FocusNotifier : public QObject {
 public:
  FocusNotifier(QObject* parent, std::function<void()> notify) : QObject(parent), m_notify(std::move(notify)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) m_notify();
    return false;
  }

 private:
  std::function<void()> m_notify;
};

std::map<UINT, DialogTemplate>& DialogTable() {
  static std::map<UINT, DialogTemplate> table;
  return table;
}

std::function<BOOL(CString&)> g_fileChooser;

}  // namespace

void AfxRegisterDialogs(const DialogTemplate* table, size_t count) {
  for (size_t i = 0; i < count; ++i) DialogTable()[table[i].id] = table[i];
}

const DialogTemplate* AfxFindDialog(UINT id) {
  auto it = DialogTable().find(id);
  return it == DialogTable().end() ? nullptr : &it->second;
}

int AfxScreenPixelsPerInchY() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

void CDialog::SetTemplateFont(int points) { m_templateFontPoints = points; }

int DialogUnitsToPixelsX(int units) { return (units * 3 + 1) / 2; }
int DialogUnitsToPixelsY(int units) { return (units * 13 + 4) / 8; }

// ---- Widgets -------------------------------------------------------------------------

class CDialogWidget : public QDialog {
 public:
  CDialogWidget(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}
  void reject() override {
    if (auto* dlg = dynamic_cast<CDialog*>(WndFromWidget(this)))
      dlg->SendControlNotify(IDCANCEL, BN_CLICKED);
    else
      QDialog::reject();
  }

 protected:
  bool event(QEvent* e) override {
    switch (e->type()) {
      case QEvent::Resize:
      case QEvent::Wheel:
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
        DispatchWindowEvent(WndFromWidget(this), e);
        break;
      default:
        break;
    }
    return QDialog::event(e);
  }
  void showEvent(QShowEvent* e) override {
    QDialog::showEvent(e);
    if (!isWindow()) return;
    for (QWidget* w : findChildren<QWidget*>()) {
      if (!w->property("nvWantsFocus").toBool()) continue;
      w->setProperty("nvWantsFocus", QVariant());
      QTimer::singleShot(0, w, [w] { w->setFocus(Qt::OtherFocusReason); });
      break;
    }
  }
};

// Up-down arrows: up or right sends -1, down or left sends +1.
class CUpDownWidget : public QWidget {
 public:
  CUpDownWidget(QWidget* parent, bool horizontal, std::function<void(int)> notify)
      : QWidget(parent), m_notify(std::move(notify)), m_horizontal(horizontal) {
    auto* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(this))
                              : static_cast<QBoxLayout*>(new QVBoxLayout(this));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* decrease = new QToolButton(this);
    auto* increase = new QToolButton(this);
    decrease->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
    increase->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
    decrease->setAutoRepeat(true);
    increase->setAutoRepeat(true);
    for (QToolButton* b : {decrease, increase}) b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (horizontal) {
      layout->addWidget(decrease);
      layout->addWidget(increase);
    } else {
      layout->addWidget(increase);
      layout->addWidget(decrease);
    }
    QObject::connect(increase, &QToolButton::clicked, [this]() { m_notify(-1); });
    QObject::connect(decrease, &QToolButton::clicked, [this]() { m_notify(1); });
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Right) return m_notify(-1);
    if (e->key() == Qt::Key_Down || e->key() == Qt::Key_Left) return m_notify(1);
    QWidget::keyPressEvent(e);
  }

 private:
  std::function<void(int)> m_notify;
  bool m_horizontal;
};

// The tab control: a tab bar along the top of an area that holds the
// owner's pages. A mouse press lets the bar move its focus first and then
// tells the control's window.
class CTabBarWidget : public QTabBar {
 public:
  explicit CTabBarWidget(QWidget* parent) : QTabBar(parent) {
    setDrawBase(true);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    QTabBar::mousePressEvent(e);
    if (e->button() != Qt::LeftButton) return;
    if (CWnd* owner = WndFromWidget(parentWidget())) {
      const QPoint p = mapToParent(e->position().toPoint());
      owner->OnLButtonDown(MK_LBUTTON, CPoint(p.x(), p.y()));
    }
  }
};

class CTabAreaWidget : public QWidget {
 public:
  explicit CTabAreaWidget(QWidget* parent) : QWidget(parent), bar(new CTabBarWidget(this)) {
    bar->move(0, 0);
  }
  CTabBarWidget* bar;

 protected:
  void resizeEvent(QResizeEvent*) override { bar->resize(width(), bar->sizeHint().height()); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const int top = bar->height();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(0, top - 1, width() - 1, height() - top);
  }
};

CTabBarWidget* TabBarOf(const CWnd* wnd) {
  auto* area = wnd ? dynamic_cast<CTabAreaWidget*>(wnd->GetWidget()) : nullptr;
  return area ? area->bar : nullptr;
}

struct CDialog::Data {
  struct Notify {
    int id;
    UINT code;
    std::function<void(int)> handler;
  };
  std::vector<Notify> notifies;
  std::vector<std::unique_ptr<CWnd>> controls;
  bool modal = false;
  int result = IDCANCEL;
};

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_pParent(parent), m_data(std::make_unique<Data>()) {}

CDialog::~CDialog() {
  if (HasWindow()) {
    QWidget* w = GetWidget();
    DetachWidget();
    m_data->controls.clear();
    delete w;
  }
}

BOOL CDialog::OnCmdMsg(UINT id, CCmdUI* pUI) {
  if (CWnd::OnCmdMsg(id, pUI)) return TRUE;
  if (id < 0x8000 || id >= 0xF000) return FALSE;
  CWnd* owner = m_pParent ? m_pParent : GetParent();
  if (owner == this) owner = nullptr;
  if (owner && owner->OnCmdMsg(id, pUI)) return TRUE;
  CWnd* main = AfxGetMainWnd();
  if (main && main != this && main != owner && main->OnCmdMsg(id, pUI)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app ? app->OnCmdMsg(id, pUI) : FALSE;
}

void CDialog::MapNotify(int id, UINT code, std::function<void(int)> handler) {
  m_data->notifies.push_back({id, code, std::move(handler)});
}

void CDialog::SendControlNotify(int id, UINT code, int value) {
  for (const Data::Notify& n : m_data->notifies)
    if (n.id == id && n.code == code) {
      n.handler(value);
      return;
    }
  if (code != BN_CLICKED) return;
  if (OnCmdMsg(static_cast<UINT>(id), nullptr)) return;
  if (id == IDOK) OnOK();
  if (id == IDCANCEL) OnCancel();
}

BOOL CDialog::BuildWindow(CWnd* parent, bool modal) {
  const DialogTemplate* tpl = AfxFindDialog(m_templateId);
  if (!tpl) return FALSE;
  QWidget* parentWidget = parent ? parent->GetWidget() : nullptr;
  const bool child = (tpl->style & WS_CHILD) != 0 && parentWidget;
  Qt::WindowFlags flags = Qt::Dialog;
  if (child) flags = Qt::Widget;
  else if ((tpl->style & WS_CAPTION) != WS_CAPTION) flags |= Qt::FramelessWindowHint;
  else flags |= Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
  // A template font given in points (the in-memory template's font) sizes the
  // dialog units with it, as the dialog manager does: 8 points at 96 pixels
  // per inch is the standard face the units are made for.
  const double scale = m_templateFontPoints > 0 ? m_templateFontPoints * AfxScreenPixelsPerInchY() / 768.0 : 1.0;
  auto ux = [scale](int units) {
    return scale == 1.0 ? DialogUnitsToPixelsX(units) : static_cast<int>(std::lround(units * 1.5 * scale));
  };
  auto uy = [scale](int units) {
    return scale == 1.0 ? DialogUnitsToPixelsY(units) : static_cast<int>(std::lround(units * 1.625 * scale));
  };
  auto* dialog = new CDialogWidget(parentWidget, flags);
  dialog->setMouseTracking(true);
  // QDialog turns a window type of 0 into a dialog window of its own: a page
  // must be made a plain child again, or it floats outside its owner.
  if (child) dialog->setWindowFlags(Qt::Widget);
  dialog->setModal(modal);
  if (m_templateFontPoints > 0) {
    QFont face(QStringLiteral("Sans Serif"));
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(std::max(1, static_cast<int>(std::lround(m_templateFontPoints * AfxScreenPixelsPerInchY() / 72.0))));
    dialog->setFont(face);
  } else {
    // The dialog units assume the classic 8-point dialog face.
    QFont face(QStringLiteral("Liberation Sans"));
    face.setPixelSize(11);
    dialog->setFont(face);
  }
  dialog->setWindowTitle(ToQ(tpl->caption));
  dialog->setFixedSize(ux(tpl->cx), uy(tpl->cy));
  AttachWidget(dialog, true);
  m_data->modal = modal;

  QButtonGroup* radioGroup = nullptr;
  for (size_t i = 0; i < tpl->count; ++i) {
    const DialogControl& c = tpl->controls[i];
    QRect geometry(ux(c.x), uy(c.y), ux(c.cx),
                   uy(c.cy));
    QWidget* widget = nullptr;
    const int id = c.id;
    switch (c.kind) {
      case ControlKind::Static: {
        auto* label = new QLabel(ToQ(c.text), dialog);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        Qt::Alignment align = (c.style & SS_CENTER) ? Qt::AlignHCenter : (c.style & SS_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
        label->setAlignment(align | Qt::AlignTop);
        widget = label;
        break;
      }
      case ControlKind::GroupBox:
        widget = new QGroupBox(ToQ(c.text), dialog);
        break;
      case ControlKind::Edit: {
        if (c.style & ES_MULTILINE) {
          auto* edit = new QPlainTextEdit(dialog);
          edit->setReadOnly(c.style & ES_READONLY);
          edit->setPlainText(ToQ(c.text));
          QObject::connect(edit, &QPlainTextEdit::textChanged, [this, id]() { SendControlNotify(id, EN_CHANGE); });
          widget = edit;
        } else {
          auto* edit = new QLineEdit(ToQ(c.text), dialog);
          edit->setReadOnly(c.style & ES_READONLY);
          edit->setFrame(c.style & WS_BORDER);
          if (c.style & ES_CENTER) edit->setAlignment(Qt::AlignCenter);
          if (c.style & ES_RIGHT) edit->setAlignment(Qt::AlignRight);
          if (c.style & ES_READONLY) edit->setFocusPolicy(Qt::ClickFocus);
          QObject::connect(edit, &QLineEdit::textEdited, [this, id]() { SendControlNotify(id, EN_CHANGE); });
          edit->installEventFilter(new FocusNotifier(edit, [this, id]() { SendControlNotify(id, EN_SETFOCUS); }));
          widget = edit;
        }
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::DefPushButton: {
        auto* button = new QPushButton(ToQ(c.text), dialog);
        button->setAutoDefault(false);
        button->setDefault(c.kind == ControlKind::DefPushButton);
        QObject::connect(button, &QPushButton::clicked, [this, id]() { SendControlNotify(id, BN_CLICKED); });
        widget = button;
        break;
      }
      case ControlKind::CheckBox: {
        auto* box = new QCheckBox(ToQ(c.text), dialog);
        QObject::connect(box, &QCheckBox::clicked, [this, id]() { SendControlNotify(id, BN_CLICKED); });
        widget = box;
        break;
      }
      case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(ToQ(c.text), dialog);
        radio->setAutoExclusive(false);
        if (!radioGroup || (c.style & WS_GROUP)) {
          radioGroup = new QButtonGroup(dialog);
          radioGroup->setExclusive(true);
        }
        radioGroup->addButton(radio);
        QObject::connect(radio, &QRadioButton::clicked, [this, id]() { SendControlNotify(id, BN_CLICKED); });
        widget = radio;
        break;
      }
      case ControlKind::ComboBox: {
        auto* combo = new QComboBox(dialog);
        combo->setEditable((c.style & CBS_DROPDOWN) != 0);
        combo->setProperty("nvSorted", (c.style & CBS_SORT) != 0);
        if (combo->isEditable()) combo->setInsertPolicy(QComboBox::NoInsert);
        if (combo->isEditable())
          QObject::connect(combo->lineEdit(), &QLineEdit::textEdited,
                           [this, id](const QString&) { SendControlNotify(id, CBN_EDITCHANGE); });
        QObject::connect(combo, QOverload<int>::of(&QComboBox::activated),
                         [this, id](int) { SendControlNotify(id, CBN_SELCHANGE); });
        widget = combo;
        geometry.setHeight(std::min(geometry.height(), uy(14)));
        break;
      }
      case ControlKind::ListBox: {
        auto* list = new QListWidget(dialog);
        list->setProperty("nvSorted", (c.style & LBS_SORT) != 0);
        if (c.style & LBS_MULTIPLESEL) list->setSelectionMode(QAbstractItemView::MultiSelection);
        else if (c.style & LBS_EXTENDEDSEL) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        if (c.style & LBS_NOTIFY)
          QObject::connect(list, &QListWidget::itemDoubleClicked,
                           [this, id](QListWidgetItem*) { SendControlNotify(id, LBN_DBLCLK); });
        widget = list;
        break;
      }
      case ControlKind::Tab: {
        auto* area = new CTabAreaWidget(dialog);
        QObject::connect(area->bar, &QTabBar::currentChanged, [this, id](int) { SendControlNotify(id, TCN_SELCHANGE); });
        widget = area;
        break;
      }
      case ControlKind::Bitmap: {
        auto* picture = new QLabel(dialog);
        // Clicks and moves over a picture are the dialog's.
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (const QImage* image = BitmapResourceImage(c.resource))
          picture->setPixmap(QPixmap::fromImage(image->scaled(geometry.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        widget = picture;
        break;
      }
      case ControlKind::UpDown:
        widget = new CUpDownWidget(dialog, c.style & UDS_HORZ, [this, id](int delta) { SendControlNotify(id, UDN_DELTAPOS, delta); });
        break;
      case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, dialog);
        QObject::connect(slider, &QSlider::sliderReleased, [this, id]() { SendControlNotify(id, NM_RELEASEDCAPTURE); });
        QObject::connect(slider, &QSlider::valueChanged, [this, id, slider](int) {
          if (!slider->isSliderDown()) SendControlNotify(id, NM_RELEASEDCAPTURE);
        });
        widget = slider;
        break;
      }
      case ControlKind::DateTime: {
        auto* edit = new QDateTimeEdit(dialog);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        if (c.style & DTS_RIGHTALIGN) edit->setAlignment(Qt::AlignRight);
        QObject::connect(edit, &QDateTimeEdit::dateTimeChanged,
                         [this, id](const QDateTime&) { SendControlNotify(id, DTN_DATETIMECHANGE); });
        widget = edit;
        break;
      }
      case ControlKind::MonthCalendar: {
        auto* calendar = new QCalendarWidget(dialog);
        calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar->setGridVisible(true);
        QObject::connect(calendar, &QCalendarWidget::selectionChanged, [this, id]() { SendControlNotify(id, MCN_SELCHANGE); });
        widget = calendar;
        break;
      }
      case ControlKind::Progress: {
        auto* bar = new QProgressBar(dialog);
        bar->setTextVisible(false);
        widget = bar;
        break;
      }
      case ControlKind::RichEdit:
        widget = CreateRichEditWidget(dialog);
        break;
      case ControlKind::ListView: {
        auto* list = new QTreeWidget(dialog);
        list->setRootIsDecorated(false);
        list->setColumnCount(0);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->header()->setStretchLastSection(false);
        QObject::connect(list, &QTreeWidget::itemSelectionChanged, [this, id, list]() {
          const QList<QTreeWidgetItem*> chosen = list->selectedItems();
          SendControlNotify(id, LVN_ITEMCHANGED, chosen.isEmpty() ? -1 : list->indexOfTopLevelItem(chosen.front()));
        });
        widget = list;
        break;
      }
    }
    if (!widget) continue;
    widget->setGeometry(geometry);
    if (c.style & WS_DISABLED) widget->setEnabled(false);
    if (c.kind == ControlKind::GroupBox) widget->lower();
    auto control = std::make_unique<CWnd>();
    control->AttachWidget(widget, false);
    control->SetDlgCtrlID(id);
    m_data->controls.push_back(std::move(control));
  }
  if (child) {
    dialog->move(ux(tpl->x), uy(tpl->y));
  } else if (tpl->style & DS_CENTER) {
    QScreen* screen = parentWidget ? parentWidget->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      QRect area = screen->availableGeometry();
      dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
  } else if (parentWidget) {
    dialog->move(parentWidget->mapToGlobal(QPoint(ux(tpl->x), uy(tpl->y))));
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  if (!BuildWindow(m_pParent ? m_pParent : AfxGetMainWnd(), true)) return -1;
  m_data->result = IDCANCEL;
  auto* dialog = static_cast<QDialog*>(GetWidget());
  OnInitDialog();
  {
    ModalScope modal;
    OpenModalEntry entry(false, FromQ(dialog->windowTitle()));
    dialog->exec();
  }
  INT_PTR result = m_data->result;
  QWidget* w = GetWidget();
  DetachWidget();
  m_data->controls.clear();
  delete w;
  return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (HasWindow()) return FALSE;
  m_templateId = templateId;
  m_pParent = parent;
  if (!BuildWindow(parent, false)) return FALSE;
  OnInitDialog();
  const DialogTemplate* tpl = AfxFindDialog(templateId);
  if (tpl && (tpl->style & WS_VISIBLE)) GetWidget()->show();
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
  m_data->result = result;
  auto* dialog = dynamic_cast<QDialog*>(GetWidget());
  if (!dialog) return;
  if (m_data->modal)
    dialog->done(result);
  else
    dialog->hide();
}

// ---- Data exchange -------------------------------------------------------------------

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return dx.m_failed ? FALSE : TRUE;
}

CWnd* CDataExchange::PrepareCtrl(int id) {
  m_lastControl = id;
  return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
}

void CDataExchange::Fail(const char* message) {
  if (m_failed) return;
  m_failed = true;
  AfxMessageBox(message, MB_ICONEXCLAMATION);
  if (CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(m_lastControl) : nullptr) {
    control->SetFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(control->GetWidget())) edit->selectAll();
  }
}

namespace {

QWidget* ControlWidget(CDataExchange* pDX, int id) {
  CWnd* control = pDX->PrepareCtrl(id);
  return control ? control->GetWidget() : nullptr;
}

CString ControlText(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return FromQ(edit->text());
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) return FromQ(edit->toPlainText());
  if (auto* combo = qobject_cast<QComboBox*>(w)) return FromQ(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(w)) return FromQ(label->text());
  return CString();
}

void SetControlText(QWidget* w, const CString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (edit->text() != ToQ(text)) edit->setText(ToQ(text));
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
    edit->setPlainText(ToQ(text));
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(ToQ(text));
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    const int i = combo->findText(ToQ(text));
    if (i >= 0) combo->setCurrentIndex(i);
    else if (combo->isEditable()) combo->setEditText(ToQ(text));
  }
}

CString Trimmed(const CString& s) {
  CString t = s;
  t.Trim();
  return t;
}

// Whole text as a signed integer; false for anything else.
bool ParseInteger(const CString& text, long long& value) {
  CString t = Trimmed(text);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > 4294967295LL) return false;
  }
  value = negative ? -v : v;
  return true;
}

bool ParseReal(const CString& text, double& value) {
  CString t = Trimmed(text);
  if (t.empty()) return false;
  char* end = nullptr;
  value = StrtodC(t.c_str(), &end);
  return end && *end == '\0';
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int id, long& value) {
  if (pDX->m_failed) return;
  QWidget* w = ControlWidget(pDX, id);
  if (!w) return;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseInteger(ControlText(w), v) || v < -2147483648LL || v > 2147483647LL)
      return pDX->Fail("Please enter an integer.");
    value = static_cast<long>(v);
  } else {
    SetControlText(w, FormatC("%ld", value));
  }
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
  long v = value;
  DDX_Text(pDX, id, v);
  if (pDX->m_bSaveAndValidate && !pDX->m_failed) value = static_cast<int>(v);
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
  if (pDX->m_failed) return;
  QWidget* w = ControlWidget(pDX, id);
  if (!w) return;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseInteger(ControlText(w), v) || v < 0 || v > 4294967295LL)
      return pDX->Fail("Please enter a positive integer.");
    value = static_cast<UINT>(v);
  } else {
    SetControlText(w, FormatC("%u", value));
  }
}

void DDX_Text(CDataExchange* pDX, int id, double& value) {
  if (pDX->m_failed) return;
  QWidget* w = ControlWidget(pDX, id);
  if (!w) return;
  if (pDX->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseReal(ControlText(w), v)) return pDX->Fail("Please enter a number.");
    value = v;
  } else {
    SetControlText(w, FormatC("%.15g", value));
  }
}

void DDX_Text(CDataExchange* pDX, int id, float& value) {
  if (pDX->m_failed) return;
  QWidget* w = ControlWidget(pDX, id);
  if (!w) return;
  if (pDX->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseReal(ControlText(w), v) || v > 3.402823466e38 || v < -3.402823466e38)
      return pDX->Fail("Please enter a number.");
    value = static_cast<float>(v);
  } else {
    SetControlText(w, FormatC("%.6g", static_cast<double>(value)));
  }
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  if (pDX->m_failed) return;
  QWidget* w = ControlWidget(pDX, id);
  if (!w) return;
  if (pDX->m_bSaveAndValidate)
    value = ControlText(w);
  else
    SetControlText(w, value);
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_failed) return;
  auto* button = qobject_cast<QAbstractButton*>(ControlWidget(pDX, id));
  if (!button) return;
  if (pDX->m_bSaveAndValidate)
    value = button->isChecked() ? 1 : 0;
  else
    button->setChecked(value != 0);
}

void DDX_Check(CDataExchange* pDX, int id, bool& value) {
  int v = value ? 1 : 0;
  DDX_Check(pDX, id, v);
  value = v != 0;
}

void DDX_CBString(CDataExchange* pDX, int id, CString& value) {
  if (pDX->m_failed) return;
  auto* combo = qobject_cast<QComboBox*>(ControlWidget(pDX, id));
  if (!combo) return;
  if (pDX->m_bSaveAndValidate) {
    value = FromQ(combo->currentText());
  } else {
    // Selects the first entry that begins with the text (case-insensitive).
    QString q = ToQ(value);
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i)
      if (combo->itemText(i).startsWith(q, Qt::CaseInsensitive)) found = i;
    if (found >= 0) combo->setCurrentIndex(found);
    else if (combo->isEditable()) combo->setEditText(q);
  }
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index) {
  if (pDX->m_failed) return;
  auto* combo = qobject_cast<QComboBox*>(ControlWidget(pDX, id));
  if (!combo) return;
  if (pDX->m_bSaveAndValidate)
    index = combo->currentIndex();
  else
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void DDX_Slider(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_failed) return;
  auto* slider = qobject_cast<QSlider*>(ControlWidget(pDX, id));
  if (!slider) return;
  if (pDX->m_bSaveAndValidate)
    value = slider->value();
  else
    slider->setValue(value);
}

void DDX_DateTimeCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value) {
  if (pDX->m_failed) return;
  auto* edit = qobject_cast<QDateTimeEdit*>(ControlWidget(pDX, id));
  if (!edit) return;
  if (pDX->m_bSaveAndValidate) {
    QDateTime t = edit->dateTime();
    value.wYear = static_cast<WORD>(t.date().year());
    value.wMonth = static_cast<WORD>(t.date().month());
    value.wDay = static_cast<WORD>(t.date().day());
    value.wDayOfWeek = static_cast<WORD>(t.date().dayOfWeek() % 7);
    value.wHour = static_cast<WORD>(t.time().hour());
    value.wMinute = static_cast<WORD>(t.time().minute());
    value.wSecond = static_cast<WORD>(t.time().second());
    value.wMilliseconds = 0;
  } else {
    QDate date(value.wYear, value.wMonth, value.wDay);
    QTime time(value.wHour, value.wMinute, value.wSecond);
    const QSignalBlocker quiet(edit);
    if (date.isValid() && time.isValid()) edit->setDateTime(QDateTime(date, time));
  }
}

void DDX_MonthCalCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value) {
  if (pDX->m_failed) return;
  auto* calendar = qobject_cast<QCalendarWidget*>(ControlWidget(pDX, id));
  if (!calendar) return;
  if (pDX->m_bSaveAndValidate) {
    const QDate d = calendar->selectedDate();
    value = SYSTEMTIME{};
    value.wYear = static_cast<WORD>(d.year());
    value.wMonth = static_cast<WORD>(d.month());
    value.wDay = static_cast<WORD>(d.day());
    value.wDayOfWeek = static_cast<WORD>(d.dayOfWeek() % 7);
  } else {
    const QDate date(value.wYear, value.wMonth, value.wDay);
    const QSignalBlocker quiet(calendar);
    if (date.isValid()) calendar->setSelectedDate(date);
  }
}

void CProgressCtrl::SetRange(short lower, short upper) {
  if (auto* bar = qobject_cast<QProgressBar*>(GetWidget())) bar->setRange(lower, upper);
}

int CProgressCtrl::SetPos(int position) {
  auto* bar = qobject_cast<QProgressBar*>(GetWidget());
  if (!bar) return 0;
  const int old = bar->value();
  bar->setValue(position);
  return old < bar->minimum() ? bar->minimum() : old;
}

int CProgressCtrl::GetPos() const {
  auto* bar = qobject_cast<QProgressBar*>(GetWidget());
  return bar ? bar->value() : 0;
}

void DDX_Control(CDataExchange* pDX, int id, CProgressCtrl& control) {
  if (control.HasWindow() || !pDX || !pDX->m_pDlgWnd) return;
  CWnd* item = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!item || !qobject_cast<QProgressBar*>(item->GetWidget())) return;
  QWidget* widget = item->GetWidget();
  item->DetachWidget();
  control.AttachWidget(widget, false);
  control.SetDlgCtrlID(id);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
  if (pDX->m_failed || !pDX->m_bSaveAndValidate) return;
  if (value < minValue || value > maxValue)
    pDX->Fail(FormatC("Please enter an integer between %d and %d.", minValue, maxValue).c_str());
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue) {
  if (pDX->m_failed || !pDX->m_bSaveAndValidate) return;
  if (value < minValue || value > maxValue)
    pDX->Fail(FormatC("Please enter an integer between %u and %u.", minValue, maxValue).c_str());
}

void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minValue, float maxValue) {
  if (pDX->m_failed || !pDX->m_bSaveAndValidate) return;
  if (!(value >= minValue && value <= maxValue))
    pDX->Fail(FormatC("Please enter a number between %.6g and %.6g.", static_cast<double>(minValue),
                      static_cast<double>(maxValue)).c_str());
}

void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue) {
  if (pDX->m_failed || !pDX->m_bSaveAndValidate) return;
  if (!(value >= minValue && value <= maxValue))
    pDX->Fail(FormatC("Please enter a number between %.15g and %.15g.", minValue, maxValue).c_str());
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars) {
  if (pDX->m_failed) return;
  if (!pDX->m_bSaveAndValidate) {
    CWnd* control = pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDlgItem(pDX->m_lastControl) : nullptr;
    if (auto* edit = control ? qobject_cast<QLineEdit*>(control->GetWidget()) : nullptr) edit->setMaxLength(maxChars);
    return;
  }
  if (value.GetLength() > maxChars)
    pDX->Fail(FormatC("Please enter no more than %d characters.", maxChars).c_str());
}

namespace {

// Where a sorted list puts a new entry: after the entries that compare
// lower or equal without regard to case.
template <typename Text>
int SortedPlace(int count, const QString& item, Text textAt) {
  int lo = 0, hi = count;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (QString::compare(textAt(mid), item, Qt::CaseInsensitive) <= 0) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

template <typename Widget>
Widget* ControlOfType(CWnd* dialog, int id) {
  CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
  return control ? qobject_cast<Widget*>(control->GetWidget()) : nullptr;
}

}  // namespace

void AfxAddComboString(CWnd* dialog, int id, const char* text) {
  auto* combo = ControlOfType<QComboBox>(dialog, id);
  if (!combo) return;
  const QString item = ToQ(text);
  // Adding an entry must not replace the text already typed.
  const QString typed = combo->currentText();
  if (combo->property("nvSorted").toBool())
    combo->insertItem(SortedPlace(combo->count(), item, [combo](int i) { return combo->itemText(i); }), item);
  else
    combo->addItem(item);
  if (combo->isEditable()) combo->setEditText(typed);
}

int AfxGetComboCount(CWnd* dialog, int id) {
  auto* combo = ControlOfType<QComboBox>(dialog, id);
  return combo ? combo->count() : 0;
}

CString AfxGetComboString(CWnd* dialog, int id, int index) {
  auto* combo = ControlOfType<QComboBox>(dialog, id);
  return combo && index >= 0 && index < combo->count() ? FromQ(combo->itemText(index)) : CString();
}

int AfxAddListString(CWnd* dialog, int id, const char* text) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  if (!list) return -1;
  const QString item = ToQ(text);
  int row = list->count();
  if (list->property("nvSorted").toBool())
    row = SortedPlace(list->count(), item, [list](int i) { return list->item(i)->text(); });
  list->insertItem(row, item);
  return row;
}

int AfxGetListCurSel(CWnd* dialog, int id) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  if (!list) return -1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

BOOL AfxSetListCurSel(CWnd* dialog, int id, int index) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  if (!list || index < -1 || index >= list->count()) return FALSE;
  if (index < 0) list->clearSelection();
  else list->setCurrentRow(index);
  return TRUE;
}

void AfxSetComboText(CWnd* dialog, int id, const char* text) {
  auto* combo = ControlOfType<QComboBox>(dialog, id);
  if (!combo) return;
  const QString q = ToQ(text);
  combo->setCurrentIndex(combo->findText(q, Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (combo->isEditable()) combo->setEditText(q);
}

CString AfxGetComboText(CWnd* dialog, int id) {
  auto* combo = ControlOfType<QComboBox>(dialog, id);
  return combo ? FromQ(combo->currentText()) : CString();
}

void AfxResetListContent(CWnd* dialog, int id) {
  if (auto* list = ControlOfType<QListWidget>(dialog, id)) list->clear();
}

int AfxGetListCount(CWnd* dialog, int id) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  return list ? list->count() : 0;
}

CString AfxGetListText(CWnd* dialog, int id, int index) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  QListWidgetItem* item = list ? list->item(index) : nullptr;
  return item ? FromQ(item->text()) : CString();
}

bool AfxIsListSelected(CWnd* dialog, int id, int index) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  QListWidgetItem* item = list ? list->item(index) : nullptr;
  return item && item->isSelected();
}

void AfxSetListSelected(CWnd* dialog, int id, int index, bool selected) {
  auto* list = ControlOfType<QListWidget>(dialog, id);
  if (QListWidgetItem* item = list ? list->item(index) : nullptr) item->setSelected(selected);
}

// ---- Tab control ----------------------------------------------------------------------------

LONG CTabCtrl::InsertItem(int index, const char* text) {
  CTabBarWidget* bar = TabBarOf(this);
  if (!bar) return -1;
  return bar->insertTab(index, ToQ(text));
}

int CTabCtrl::GetItemCount() const {
  CTabBarWidget* bar = TabBarOf(this);
  return bar ? bar->count() : 0;
}

BOOL CTabCtrl::GetItemRect(int index, RECT* rect) const {
  CTabBarWidget* bar = TabBarOf(this);
  if (!bar || !rect || index < 0 || index >= bar->count()) return FALSE;
  const QRect r = bar->tabRect(index).translated(bar->pos());
  rect->left = r.left();
  rect->top = r.top();
  rect->right = r.right() + 1;
  rect->bottom = r.bottom() + 1;
  return TRUE;
}

int CTabCtrl::GetCurFocus() const {
  CTabBarWidget* bar = TabBarOf(this);
  return bar ? bar->currentIndex() : -1;
}

void CTabCtrl::SetCurFocus(int index) {
  if (CTabBarWidget* bar = TabBarOf(this))
    if (index >= 0 && index < bar->count()) bar->setCurrentIndex(index);
}

void DDX_Control(CDataExchange* pDX, int id, CTabCtrl& control) {
  if (control.HasWindow() || !pDX || !pDX->m_pDlgWnd) return;
  CWnd* item = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!item || !dynamic_cast<CTabAreaWidget*>(item->GetWidget())) return;
  QWidget* widget = item->GetWidget();
  item->DetachWidget();
  control.AttachWidget(widget, false);
  control.SetDlgCtrlID(id);
}

void AfxResetComboContent(CWnd* dialog, int id) {
  CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
  if (auto* combo = control ? qobject_cast<QComboBox*>(control->GetWidget()) : nullptr) {
    const QString text = combo->currentText();
    combo->clear();
    if (combo->isEditable()) combo->setEditText(text);
  }
}

void AfxListViewAddColumn(CWnd* dialog, int id, const char* title, int width) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  if (!list) return;
  const int column = list->columnCount();
  list->setColumnCount(column + 1);
  list->headerItem()->setText(column, ToQ(title));
  list->setColumnWidth(column, width);
}

void AfxListViewDeleteAllItems(CWnd* dialog, int id) {
  if (auto* list = ControlOfType<QTreeWidget>(dialog, id)) list->clear();
}

void AfxListViewInsertItem(CWnd* dialog, int id, int index, const std::vector<CString>& cells) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  if (!list) return;
  auto* item = new QTreeWidgetItem;
  for (size_t i = 0; i < cells.size(); ++i) item->setText(static_cast<int>(i), ToQ(cells[i]));
  list->insertTopLevelItem(std::clamp(index, 0, list->topLevelItemCount()), item);
}

int AfxListViewGetItemCount(CWnd* dialog, int id) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  return list ? list->topLevelItemCount() : 0;
}

void AfxListViewSelectItem(CWnd* dialog, int id, int index) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  if (!list) return;
  QTreeWidgetItem* item = list->topLevelItem(index);
  if (!item) {
    list->clearSelection();
    return;
  }
  list->setCurrentItem(item);
  item->setSelected(true);
}

bool AfxListViewIsItemSelectedAndFocused(CWnd* dialog, int id, int index) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  QTreeWidgetItem* item = list ? list->topLevelItem(index) : nullptr;
  return item && item->isSelected() && list->currentItem() == item;
}

CString AfxListViewGetItemText(CWnd* dialog, int id, int index, int column) {
  auto* list = ControlOfType<QTreeWidget>(dialog, id);
  QTreeWidgetItem* item = list ? list->topLevelItem(index) : nullptr;
  return item ? FromQ(item->text(column)) : CString();
}

void AfxTabInsertItem(CWnd* dialog, int id, const char* text) {
  if (CTabBarWidget* tabs = TabBarOf(dialog ? dialog->GetDlgItem(id) : nullptr)) tabs->addTab(ToQ(text));
}

int AfxTabGetCurSel(CWnd* dialog, int id) {
  CTabBarWidget* tabs = TabBarOf(dialog ? dialog->GetDlgItem(id) : nullptr);
  return tabs ? tabs->currentIndex() : -1;
}

void AfxTabSetCurSel(CWnd* dialog, int id, int index) {
  if (CTabBarWidget* tabs = TabBarOf(dialog ? dialog->GetDlgItem(id) : nullptr)) tabs->setCurrentIndex(index);
}

void AfxSetDateTimeFormat(CWnd* dialog, int id, const char* format) {
  CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
  if (auto* edit = control ? qobject_cast<QDateTimeEdit*>(control->GetWidget()) : nullptr)
    edit->setDisplayFormat(QString::fromLatin1(format));
}

void AfxSetSliderRange(CWnd* dialog, int id, int minValue, int maxValue) {
  CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
  if (auto* slider = control ? qobject_cast<QSlider*>(control->GetWidget()) : nullptr)
    slider->setRange(minValue, maxValue);
}

void SetFileChooserHandler(std::function<BOOL(CString& path)> handler) { g_fileChooser = std::move(handler); }

std::vector<CString> AfxFileChooserNameFilters(const char* filter) {
  std::vector<CString> filters;
  const QStringList parts = ToQ(filter ? filter : "").split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) continue;
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QRegularExpression("[; ]"), Qt::SkipEmptyParts))
      for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
        if (!patterns.contains(variant)) patterns << variant;
    filters.push_back(FromQ(QString("%1 (%2)").arg(parts[i].trimmed(), patterns.join(' '))));
  }
  return filters;
}

BOOL AfxChooseFile(BOOL open, const char* defaultExtension, const char* fileName, const char* filter, CWnd* parent,
                   CString& path) {
  if (g_fileChooser) {
    ModalScope modal;
    return g_fileChooser(path);
  }
  QStringList filters;
  for (const CString& f : AfxFileChooserNameFilters(filter)) filters << ToQ(f.c_str());
  QFileDialog chooser(parent ? parent->GetWidget() : nullptr);
  chooser.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  chooser.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!filters.isEmpty()) chooser.setNameFilters(filters);
  if (defaultExtension) chooser.setDefaultSuffix(ToQ(defaultExtension).remove(0, defaultExtension[0] == '.' ? 1 : 0));
  if (fileName) chooser.selectFile(ToQ(fileName));
  int result;
  {
    ModalScope modal;
    result = chooser.exec();
  }
  if (result != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return FALSE;
  path = FromQ(chooser.selectedFiles().first());
  return TRUE;
}
