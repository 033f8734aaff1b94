#include "ui/main_frame.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "keyboard/key_codes.h"
#include "platform/paths.h"
#include "session/address_book.h"
#include "session/command_line.h"
#include "session/new_connection_rules.h"
#include "session/session_titles.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "session/vt420_doc.h"
#include "settings/message_texts.h"
#include "ui/button_bar.h"
#include "ui/chat_line.h"
#include "ui/child_frame.h"
#include "ui/key_manager_dialog.h"
#include "ui/macro_save_dialog.h"
#include "ui/new_connection_dialog.h"
#include "ui/print_commands.h"
#include "ui/qt_print_devices.h"
#include "ui/qt_questions.h"
#include "ui/save_template_dialog.h"
#include "ui/session_front_end.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr char kWindow[] = "Window";
constexpr char kReady[] = "Ready";
constexpr char kConnectingMessage[] = "Connecting...";
constexpr char kDisconnectedMessage[] = "Disconnected";
// Stands for "no limit" while the main window has no area yet.
constexpr int kUnlimited = 1 << 20;
constexpr char kRecentSection[] = "Recent File List";

// Profile values of section "Window" and their defaults.
struct WindowValue {
  const char* name;
  int defaultValue;
};
constexpr WindowValue kWidth{"width", 620};
constexpr WindowValue kHeight{"height", 460};
constexpr WindowValue kMaximized{"maximized", 0};
constexpr WindowValue kMenu{"menu", 1};
constexpr WindowValue kToolbarValue{"toolbar", 1};
constexpr WindowValue kStatusbarValue{"statusbar", 1};
constexpr WindowValue kButtonbarValue{"buttonbar", 0};
constexpr WindowValue kChatlineValue{"chatline", 0};
constexpr WindowValue kSysmenu{"sysmenu", 1};
constexpr WindowValue kTitlebar{"titlebar", 1};
constexpr WindowValue kVertScroll{"vertscroll", 1};
constexpr WindowValue kHorzScroll{"horzscroll", 1};
constexpr WindowValue kPopup{"popup", 1};  // in section "window"

// The toolbar's buttons.
constexpr int kToolbarCommands[] = {Cmd::kNew,       Cmd::kOpen,     Cmd::kSave, 0,
                                    Cmd::kCopy,      Cmd::kPaste,    Cmd::kFind, 0,
                                    Cmd::kPrintPage, Cmd::kSettings, 0,          Cmd::kAbout};

// The desktop theme's icon for a toolbar command; the text shows where the theme has none.
struct CommandIcon {
  int command;
  const char* themeName;
};
constexpr CommandIcon kCommandIcons[] = {
    {Cmd::kNew, "document-new"},         {Cmd::kOpen, "document-open"},
    {Cmd::kSave, "document-save"},       {Cmd::kCopy, "edit-copy"},
    {Cmd::kPaste, "edit-paste"},         {Cmd::kFind, "edit-find"},
    {Cmd::kPrintPage, "document-print"}, {Cmd::kSettings, "preferences-system"},
    {Cmd::kAbout, "help-about"},
};

QString Plain(const QString& text) {
  QString t = text.left(text.indexOf('\t') < 0 ? text.size() : text.indexOf('\t'));
  return t.remove('&').trimmed();
}

QString FileTitle(const QString& path) {
  return QFileInfo(path).fileName();
}

}  // namespace

CMainFrame::CMainFrame(CProfile& profile, QWidget* parent)
    : QMainWindow(parent), profile_(profile), questions_(std::make_unique<CQtQuestions>(this)) {
  setObjectName("MainFrame");
  setWindowTitle(AppTitle());
  mdi_ = new QMdiArea(this);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  BuildMenus();
  BuildBars();
  ApplyProfile();
  connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::ActiveChanged);
  // The status panes and the toolbar buttons' states follow the session while idle; menus also
  // refresh as they open.
  connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::RefreshStatus);
  connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
  connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::RememberConnectedHosts);
  connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::ReleaseFrontEnds);
  setWindowIcon(AppIcon());
  statusTimer_.start(250);
  SetMainWindowPlacementSource(this);
  ActiveChanged();
}

CMainFrame::~CMainFrame() {
  SetMainWindowPlacementSource(nullptr);
  // The sessions go before the bars and the questions they use.
  for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
}

// ---- Menus and bars ----

void CMainFrame::BuildMenus() {
  QMenu* menu = nullptr;
  QString menuName;
  for (const MenuItem& item : kMenuItems) {
    if (menuName != item.menu) {
      menuName = item.menu;
      menu = menuBar()->addMenu(menuName);
      connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
      if (menuName == "&Window") {
        windowMenu_ = menu;
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::RefreshWindowList);
      }
    }
    if (item.text == nullptr) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(item.text);
    action->setCheckable(item.checkable);
    action->setData(item.command);
    if (item.command == Cmd::kRecentFile1) {
      connectionMenu_ = menu;
      recentPlaceholder_ = action;
      action->setEnabled(false);
      continue;
    }
    actions_[item.command] = action;
    for (const CommandHelp& help : kCommandHelp)
      if (help.command == item.command) action->setStatusTip(help.text);
    const int command = item.command;
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  }
  for (int command : kLaterCommands) actions_[command]->setEnabled(false);
  recentFiles_.clear();
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const std::string path = profile_.GetString(kRecentSection, "File" + std::to_string(i), "");
    if (!path.empty()) recentFiles_ << QString::fromStdString(path);
  }
  RefreshRecentFiles();
}

void CMainFrame::BuildBars() {
  toolBar_ = addToolBar("Toolbar");
  toolBar_->setObjectName("ToolBar");
  for (const CommandIcon& icon : kCommandIcons)
    actions_[icon.command]->setIcon(QIcon::fromTheme(icon.themeName));
  for (int command : kToolbarCommands) {
    if (command == 0)
      toolBar_->addSeparator();
    else
      toolBar_->addAction(actions_[command]);
  }
  // Without an icon theme the buttons show their texts.
  toolBar_->setToolButtonStyle(QIcon::fromTheme("document-new").isNull() ? Qt::ToolButtonTextOnly
                                                                         : Qt::ToolButtonIconOnly);
  toolBar_->toggleViewAction()->setVisible(false);

  // Status bar: message, cursor position, CAP, NUM, printing.
  cursorPane_ = new QLabel(this);
  cursorPane_->setMinimumWidth(cursorPane_->fontMetrics().horizontalAdvance(" 132:24 "));
  cursorPane_->setAlignment(Qt::AlignCenter);
  capsPane_ = new QLabel(this);
  numPane_ = new QLabel(this);
  for (QLabel* pane : {capsPane_, numPane_})
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(" NUM "));
  printingPane_ = new QLabel(this);
  printingPane_->setMinimumWidth(printingPane_->fontMetrics().horizontalAdvance(" Printing "));
  for (QLabel* pane : {cursorPane_, capsPane_, numPane_, printingPane_})
    statusBar()->addPermanentWidget(pane);
  statusBar()->showMessage(IdleMessage());

  buttonBar_ = new CButtonBar(this);
  buttonBarDock_ = new QToolBar("Button Palette", this);
  buttonBarDock_->setObjectName("ButtonBar");
  buttonBarDock_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  buttonBarDock_->addWidget(buttonBar_);
  buttonBar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  buttonBarDock_->toggleViewAction()->setVisible(false);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, buttonBarDock_);

  chatLine_ = new CChatLine(this);
  chatLineDock_ = new QToolBar("Chat Line", this);
  chatLineDock_->setObjectName("ChatLine");
  chatLineDock_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  chatLineDock_->addWidget(chatLine_);
  chatLine_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  chatLineDock_->toggleViewAction()->setVisible(false);
  addToolBar(Qt::BottomToolBarArea, chatLineDock_);

  connect(buttonBar_, &CButtonBar::buttonClicked, this, [this](int i) {
    if (CChildFrame* child = ActiveChild()) child->RunButton(i);
  });
  connect(buttonBar_, &CButtonBar::previousPage, this, [this] { MoveButtonPage(-1); });
  connect(buttonBar_, &CButtonBar::nextPage, this, [this] { MoveButtonPage(1); });
  chatLine_->Field()->installEventFilter(this);
  connect(chatLine_, &CChatLine::textEntered, this, [this](const QString& text) {
    if (CChildFrame* child = ActiveChild()) child->SendChatText(text);
  });
}

void CMainFrame::ApplyProfile() {
  auto get = [this](const WindowValue& v) {
    return profile_.GetInt(kWindow, v.name, v.defaultValue);
  };
  resize(std::max(1, get(kWidth) - 1), std::max(1, get(kHeight) - 1));
  menuBar()->setVisible(get(kMenu) != 0);
  toolBar_->setVisible(get(kToolbarValue) != 0);
  statusBar()->setVisible(get(kStatusbarValue) != 0);
  buttonBarDock_->setVisible(get(kButtonbarValue) != 0);
  chatLineDock_->setVisible(get(kChatlineValue) != 0);
  Qt::WindowFlags flags = windowFlags();
  if (get(kSysmenu) == 0 || get(kTitlebar) == 0) {
    flags |= Qt::CustomizeWindowHint;
    if (get(kSysmenu) == 0) flags &= ~Qt::WindowSystemMenuHint;
    if (get(kTitlebar) == 0) flags &= ~Qt::WindowTitleHint;
    setWindowFlags(flags);
  }
}

ViewProfile CMainFrame::ViewProfileValues() const {
  ViewProfile p;
  p.verticalScroll = profile_.GetInt(kWindow, kVertScroll.name, kVertScroll.defaultValue) != 0;
  p.horizontalScroll = profile_.GetInt(kWindow, kHorzScroll.name, kHorzScroll.defaultValue) != 0;
  p.popupMenu = profile_.GetInt("window", kPopup.name, kPopup.defaultValue) != 0;
  return p;
}

void CMainFrame::WriteProfile() {
  const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
  profile_.BeginBatch();
  profile_.WriteInt(kWindow, kMaximized.name, isMaximized() ? 1 : 0);
  // Stored one larger than the window, as the window is made one smaller than the value.
  profile_.WriteInt(kWindow, kWidth.name, r.width() + 1);
  profile_.WriteInt(kWindow, kHeight.name, r.height() + 1);
  profile_.WriteInt(kWindow, kToolbarValue.name, toolBar_->isVisible() ? 1 : 0);
  profile_.WriteInt(kWindow, kStatusbarValue.name, statusBar()->isVisible() ? 1 : 0);
  profile_.WriteInt(kWindow, kButtonbarValue.name, buttonBarDock_->isVisible() ? 1 : 0);
  profile_.WriteInt(kWindow, kChatlineValue.name, chatLineDock_->isVisible() ? 1 : 0);
  profile_.EndBatch();
}

// ---- Sessions ----

QList<CChildFrame*> CMainFrame::Children() const {
  QList<CChildFrame*> list;
  for (QMdiSubWindow* w : mdi_->subWindowList())
    if (auto* child = qobject_cast<CChildFrame*>(w)) list << child;
  return list;
}

CChildFrame* CMainFrame::ActiveChild() const {
  return qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
}

void CMainFrame::PrepareDocument(const std::shared_ptr<CVT420Doc>& shared) {
  CVT420Doc& doc = *shared;
  auto frontEnd = std::make_unique<CSessionFrontEnd>(*this, *questions_);
  doc.SetQuestions(&frontEnd->Questions());
  frontEnd->Questions().SetKeyFileProfile(&profile_);
  doc.SetScriptFrontEnd(frontEnd.get());
  frontEnd->Transfers().SetDocument(shared);
  frontEnd->Transfers().SetEndedHandler([this] { UpdateCommandStates(); });
  doc.SetTransferFrontEnd(&frontEnd->Transfers());
  frontEnds_.emplace_back(shared, std::move(frontEnd));
  doc.SetKeyboardCommands(this);
  doc.SetPrintDevices(&QtPrintDevices());
  CVT420Doc* target = &doc;
  doc.SetSaveHandler([this, target] {
    for (CChildFrame* child : Children())
      if (&child->Document() == target) return child->Save();
    return false;
  });
}

CSessionFrontEnd* CMainFrame::FrontEnd(const CVT420Doc& doc) const {
  for (const auto& [weak, frontEnd] : frontEnds_)
    if (const auto shared = weak.lock(); shared.get() == &doc) return frontEnd.get();
  return nullptr;
}

// A front end's dialog may still be returning in a nested event loop below this one; the
// front ends go only from the outermost loop.
void CMainFrame::ReleaseFrontEnds() {
  if (QThread::currentThread()->loopLevel() > 1) return;
  std::erase_if(frontEnds_, [](const auto& entry) { return entry.first.expired(); });
}

CChildFrame* CMainFrame::AddFrame(std::shared_ptr<CVT420Doc> doc, const QString& path) {
  auto* frame = new CChildFrame(std::move(doc), *this);
  frame->SetPath(path);
  mdi_->addSubWindow(frame);
  connect(frame, &CChildFrame::titleChanged, this, [this, frame] {
    RefreshWindowTitles();
    if (frame == ActiveChild()) RefreshTitle();
  });
  connect(frame, &CChildFrame::buttonsChanged, this, [this, frame] {
    if (frame == ActiveChild()) RefreshButtons();
  });
  connect(frame, &CChildFrame::closing, this,
          [this](bool maximized) { closedWasMaximized_ = maximized; });
  connect(frame, &QObject::destroyed, this, [this] {
    QTimer::singleShot(0, this, [this] {
      // The window that takes over from a closed maximised one is maximised too, as it was
      // shown before.
      const bool maximize = std::exchange(closedWasMaximized_, false);
      if (CChildFrame* next = ActiveChild(); next && maximize && !next->isMaximized())
        next->showMaximized();
      RefreshWindowTitles();
      ActiveChanged();
    });
  });
  // With Maximize on the session window is shown maximised; otherwise it fills the main
  // window's client area (once that is shown). Either way the view fits its font to it.
  bool maximize;
  {
    CVT420Doc& d = *frame->SharedDocument();
    std::lock_guard lock(d.Terminal().Mutex());
    maximize = d.Settings().Int(S::Maximize) != 0;
  }
  // The restored size is set even for a maximised window, so that un-maximising it (or
  // closing the maximised window in front of it) leaves a usable window, not a tiny one.
  frame->resize(isVisible() ? mdi_->viewport()->size().expandedTo(UsableSize(*frame))
                            : UsableSize(*frame));
  if (maximize) {
    frame->showMaximized();
  } else {
    frame->show();
  }
  RefreshWindowTitles();
  frame->View()->viewport()->installEventFilter(this);
  frame->View()->setFocus(Qt::OtherFocusReason);
  ActiveChanged();
  return frame;
}

CChildFrame* CMainFrame::NewSession() {
  auto doc = std::make_shared<CVT420Doc>();
  PrepareDocument(doc);
  doc->PrepareNewSession();
  NewConnectionHooks hooks;
  hooks.templates = ListTemplates();
  hooks.loadTemplate = [d = doc.get()](const std::string& name) { return d->LoadTemplate(name); };
  hooks.addressBookPath =
      (QDir(QString::fromStdString(platform::DataFolder())).filePath(kAddressBookFileName))
          .toStdString();
  hooks.openSettings = [d = doc.get()] {
    std::unique_ptr<CSettingsSheet> sheet;
    {
      std::lock_guard lock(d->Terminal().Mutex());
      sheet = std::make_unique<CSettingsSheet>(d->Settings(), d->Terminal().KeyMap(),
                                               SettingsTarget::kNewConnection,
                                               QApplication::activeModalWidget());
    }
    if (sheet->exec() != QDialog::Accepted) return;
    std::lock_guard lock(d->Terminal().Mutex());
    ApplySheetToNewSession(*sheet, d->Settings(), d->Terminal().KeyMap());
  };
  CNewConnectionDialog dialog(doc->Settings(), profile_, std::move(hooks), this);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  if (!doc->StartNewSession()) return nullptr;
  CChildFrame* frame = AddFrame(std::move(doc), QString());
  if (frame && dialog.HostToRemember()) pendingHosts_.emplace_back(frame, *dialog.HostToRemember());
  return frame;
}

// The host typed into New Connection goes into its list once the connection is made; a host
// that never answered is not offered again.
void CMainFrame::RememberConnectedHosts() {
  for (auto it = pendingHosts_.begin(); it != pendingHosts_.end();) {
    if (!it->first) {
      it = pendingHosts_.erase(it);
      continue;
    }
    const TransportState state = it->first->Document().ConnectionState();
    if (state == TransportState::kConnected) RememberHost(profile_, it->second);
    if (state == TransportState::kConnected || state == TransportState::kClosed)
      it = pendingHosts_.erase(it);
    else
      ++it;
  }
}

CChildFrame* CMainFrame::NewTelnetSession(const QString& host, int port) {
  auto doc = std::make_shared<CVT420Doc>();
  PrepareDocument(doc);
  doc->PrepareNewSession();
  {
    std::lock_guard lock(doc->Terminal().Mutex());
    CSettingsSet& s = doc->Settings();
    s.SetStr(S::HostName, host.toStdString());
    s.SetInt(S::Port, port);
    s.SetInt(S::HostType, 0);
    s.SetStr(S::Proxy, "");
  }
  doc->StartNewSession();
  return AddFrame(std::move(doc), QString());
}

CChildFrame* CMainFrame::OpenSessionFile(const QString& path) {
  auto doc = std::make_shared<CVT420Doc>();
  PrepareDocument(doc);
  const SetupFileStatus status = doc->ReadSessionFile(path.toStdString());
  if (status != SetupFileStatus::kOk) {
    const std::string_view text =
        status == SetupFileStatus::kEarlierVersion ? kTextEarlierVersion : kTextUnexpectedFormat;
    ShowMessage(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                MessageIcon::kStop);
    return nullptr;
  }
  if (!doc->CreateTransport(true, openWithoutConnecting_)) return nullptr;
  doc->SetSessionTitle(FileTitle(path).toStdString());
  AddRecentFile(path);
  return AddFrame(std::move(doc), path);
}

CChildFrame* CMainFrame::OpenCommandLine(const std::vector<std::string>& items, bool& maximized) {
  const CommandLineRequest request = InterpretCommandLine(
      items,
      [](const std::string& path) { return QFileInfo(QString::fromStdString(path)).isFile(); },
      [](const std::string& path) {
        const QFileInfo info(QString::fromStdString(path));
        return info.exists() && !info.isFile();
      });
  SetOpenWithoutConnecting(request.openWithoutConnecting);
  CChildFrame* frame = nullptr;
  switch (request.action) {
    case CommandLineAction::kFail: {
      QString text = kTextCommandLineFailed;
      if (!request.error.empty()) text += "\n\n" + QString::fromStdString(request.error);
      ShowMessage(this, text, MessageIcon::kWarning);
      return nullptr;
    }
    case CommandLineAction::kNothing:
      return nullptr;
    case CommandLineAction::kOpenFile: {
      frame = OpenSessionFile(QString::fromStdString(request.path));
      if (!frame) return nullptr;
      // A session file opened from the command line brings its own window layout, when it
      // stores one.
      std::optional<MainWindowPlacement> placement;
      {
        std::lock_guard lock(frame->Document().Terminal().Mutex());
        placement = PlacementFromSettings(frame->Document().Settings());
      }
      if (placement) {
        ApplySessionLayout(*placement);
        maximized = placement->maximized;
      }
      break;
    }
    case CommandLineAction::kTelnet:
      frame = NewTelnetSession(QString::fromStdString(request.host), request.port);
      break;
  }
  if (frame && !request.script.empty())
    RunScriptFile(*frame, QString::fromStdString(request.script));
  return frame;
}

void CMainFrame::RunScriptFile(CChildFrame& frame, const QString& path) {
  frame.Document().RunScriptFile(path.toStdString());
}

void CMainFrame::RecordMacro(CChildFrame& frame) {
  CVT420Doc& doc = frame.Document();
  if (!doc.IsRecordingMacro()) {
    doc.RecordMacroCommand();
    return;
  }
  const std::string script = doc.StopMacroRecording();
  if (script.empty()) {
    MessageQuestion q;
    q.text = std::string(kTextEmptyMacro);
    q.icon = MessageIcon::kInformation;
    questions_->AskMessage(q);
    return;
  }
  std::vector<std::string> captions;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    for (int i = 0; i < kButtonPages * kButtonsPerPage; ++i)
      captions.push_back(doc.Settings().ButtonCaption(i));
  }
  CMacroSaveDialog dialog(script, captions, this);
  if (dialog.exec() == QDialog::Accepted) SaveMacro(frame, dialog.Choice());
}

void CMainFrame::SaveMacro(CChildFrame& frame, const MacroSaveChoice& choice) {
  CVT420Doc& doc = frame.Document();
  constexpr int kRunScriptText = 1;  // the button action "Execute Script"
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    if (choice.button)
      doc.Settings().SetButton(*choice.button, choice.caption, choice.script, kRunScriptText);
    if (choice.key)
      doc.Terminal().KeyMap().Set(*choice.key, choice.modifiers, KeyAction::kScriptText,
                                  choice.script);
  }
  if (choice.button || choice.key) doc.SetModified(true);
  if (choice.button) {
    buttonBarDock_->setVisible(true);
    if (&frame == ActiveChild()) RefreshButtons();
  }
  if (choice.clipboard)
    QGuiApplication::clipboard()->setText(QString::fromStdString(choice.script));
  if (!choice.file) return;
  FileQuestion q;
  q.title = kMacroDialogTitle;
  q.filter = kScriptFilter;
  q.defaultExtension = "oss";
  q.save = true;
  const std::optional<std::string> path = questions_->ChooseFile(q);
  if (!path) return;
  QFile file(QString::fromStdString(*path));
  const QByteArray bytes = QByteArray::fromStdString(choice.script);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
    ShowMessage(this,
                QString::fromUtf8(kTextCannotCreateFile.data(),
                                  static_cast<qsizetype>(kTextCannotCreateFile.size())),
                MessageIcon::kStop);
}

void CMainFrame::PostOpenSessionFile(const QString& path) {
  QMetaObject::invokeMethod(
      this, [this, path] { OpenSessionFile(path); }, Qt::QueuedConnection);
}

void CMainFrame::DocumentSaved(CVT420Doc& doc, const QString& path) {
  doc.SetSessionTitle(FileTitle(path).toStdString());
  for (CChildFrame* child : Children()) {
    if (&child->Document() != &doc) continue;
    child->SetPath(path);
    child->setWindowTitle(child->View()->FrameTitle());
  }
  AddRecentFile(path);
  RefreshTitle();
}

QString CMainFrame::AskSessionFile(bool save, const QString& current) {
  FileQuestion q;
  q.title = save ? "Save As" : "Open";
  q.filter = kSessionFilter;
  q.defaultExtension = "OSN";
  q.save = save;
  (void)current;
  const auto path = questions_->ChooseFile(q);
  return path ? QString::fromStdString(*path) : QString();
}

// ---- Recent files ----

void CMainFrame::AddRecentFile(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  recentFiles_.removeAll(full);
  recentFiles_.prepend(full);
  while (recentFiles_.size() > kRecentFileCount) recentFiles_.removeLast();
  profile_.BeginBatch();
  for (int i = 0; i < kRecentFileCount; ++i) {
    const std::string name = "File" + std::to_string(i + 1);
    if (i < recentFiles_.size())
      profile_.WriteString(kRecentSection, name, recentFiles_[i].toStdString());
    else
      profile_.DeleteValue(kRecentSection, name);
  }
  profile_.EndBatch();
  RefreshRecentFiles();
}

void CMainFrame::RefreshRecentFiles() {
  for (QAction* a : recentActions_) {
    connectionMenu_->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  recentPlaceholder_->setVisible(recentFiles_.isEmpty());
  for (int i = 0; i < recentFiles_.size(); ++i) {
    auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(recentFiles_[i]), connectionMenu_);
    const QString path = recentFiles_[i];
    connect(action, &QAction::triggered, this, [this, path] { OpenSessionFile(path); });
    connectionMenu_->insertAction(recentPlaceholder_, action);
    recentActions_ << action;
  }
}

// ---- Layout ----

void CMainFrame::ApplySessionLayout(const MainWindowPlacement& p) {
  // The stored width and height are one larger than the window (see WriteProfile).
  setGeometry(p.left, p.top, std::max(1, p.right - p.left), std::max(1, p.bottom - p.top));
  toolBar_->setVisible(p.toolBar);
  statusBar()->setVisible(p.statusBar);
  buttonBarDock_->setVisible(p.buttonBar);
  chatLineDock_->setVisible(p.chatLine);
}

std::optional<MainWindowPlacement> CMainFrame::CurrentPlacement() {
  const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
  MainWindowPlacement p;
  p.left = r.left();
  p.top = r.top();
  p.right = r.left() + r.width();
  p.bottom = r.top() + r.height();
  p.maximized = isMaximized();
  p.toolBar = toolBar_->isVisible();
  p.statusBar = statusBar()->isVisible();
  p.buttonBar = buttonBarDock_->isVisible();
  p.chatLine = chatLineDock_->isVisible();
  return p;
}

// ---- Commands ----

QAction* CMainFrame::Action(int command) const {
  const auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

int CMainFrame::ResolveMenuPath(const QString& path) const {
  const QStringList segments = path.split(':');
  QList<QAction*> items = menuBar()->actions();
  for (qsizetype i = 0; i < segments.size(); ++i) {
    const QString wanted = segments[i].trimmed();
    QAction* found = nullptr;
    for (QAction* a : items)
      if (!a->isSeparator() && Plain(a->text()).compare(wanted, Qt::CaseInsensitive) == 0) {
        found = a;
        break;
      }
    if (!found) return 0;
    if (i + 1 == segments.size()) return found->menu() ? 0 : found->data().toInt();
    if (!found->menu()) return 0;
    items = found->menu()->actions();
  }
  return 0;
}

void CMainFrame::UpdateCommandStates() {
  CChildFrame* child = ActiveChild();
  for (int command : kSessionCommands)
    if (QAction* a = Action(command)) a->setEnabled(child != nullptr);
  Action(Cmd::kToolbar)->setChecked(toolBar_->isVisible());
  Action(Cmd::kStatusBar)->setChecked(statusBar()->isVisible());
  Action(Cmd::kButtonPalette)->setChecked(buttonBarDock_->isVisible());
  Action(Cmd::kChatLine)->setChecked(chatLineDock_->isVisible());
  Action(Cmd::kVtKeyboard)->setChecked(vtKeyboard_ && vtKeyboard_->isVisible());
  Action(Cmd::kSaveAsTemplate)->setEnabled(child != nullptr);
  if (!child) {
    for (int command : {Cmd::kHistory, Cmd::kHoldScreen, Cmd::kCapture})
      Action(command)->setChecked(false);
    Action(Cmd::kRecordMacro)->setChecked(false);
    return;
  }
  CVT420View* view = child->View();
  CVT420Doc& doc = child->Document();
  Action(Cmd::kCopy)->setEnabled(view->CanCopy());
  Action(Cmd::kPaste)->setEnabled(view->CanPaste());
  Action(Cmd::kFindNext)->setEnabled(view->CanFindNext());
  Action(Cmd::kLargerFont)->setEnabled(view->CanLargerFont());
  Action(Cmd::kSmallerFont)->setEnabled(view->CanSmallerFont());
  Action(Cmd::kHoldScreen)->setChecked(view->IsHeld());
  Action(Cmd::kClearHistory)->setEnabled(doc.CanClearHistory());
  Action(Cmd::kReconnect)->setEnabled(doc.CanReconnect());
  Action(Cmd::kCapture)->setChecked(doc.IsCapturing());
  Action(Cmd::kStopScript)->setEnabled(doc.RunningScripts() > 0);
  const bool canTransfer = doc.IsConnected() && !doc.TransferRunning();
  Action(Cmd::kSendZModem)->setEnabled(canTransfer);
  Action(Cmd::kReceiveZModem)->setEnabled(canTransfer);
  Action(Cmd::kRecordMacro)->setChecked(doc.IsRecordingMacro());
  bool history;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    history = doc.Settings().Int(S::History) != 0;
  }
  Action(Cmd::kHistory)->setChecked(history);
  // Page prints wait while the host prints through auto print or the printer controller.
  const PrintMode printMode = doc.CurrentPrintMode();
  const bool canPrint = printMode == PrintMode::kNone;
  for (int command : {Cmd::kPrintPage, Cmd::kPrintAll, Cmd::kPrintSetup})
    Action(command)->setEnabled(canPrint);
  Action(Cmd::kPrintSelection)->setEnabled(canPrint && view->CanCopy());
  Action(Cmd::kPrintingMode)->setChecked(printMode == PrintMode::kAutoPrint);
}

void CMainFrame::SendZModem(CVT420Doc& doc) {
  QFileDialog dialog(this, "Send File", QString(), CQtQuestions::QtFilter(kAllFilesFilter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (questions_->ExecDialog(dialog) != QDialog::Accepted) return;
  std::vector<std::string> paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(file.toStdString());
  if (!paths.empty()) doc.SendZModemFiles(paths);
}

void CMainFrame::RunCommand(int command) {
  CChildFrame* child = ActiveChild();
  CVT420View* view = child ? child->View() : nullptr;
  switch (command) {
    case Cmd::kNew:
      NewSession();
      break;
    case Cmd::kOpen:
      if (const QString path = AskSessionFile(false, QString()); !path.isEmpty())
        OpenSessionFile(path);
      break;
    case Cmd::kExit:
      close();
      break;
    case Cmd::kToolbar:
      toolBar_->setVisible(!toolBar_->isVisible());
      LayoutChanged(child);
      break;
    case Cmd::kStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      LayoutChanged(child);
      break;
    case Cmd::kButtonPalette:
      buttonBarDock_->setVisible(!buttonBarDock_->isVisible());
      LayoutChanged(child);
      break;
    case Cmd::kChatLine:
      chatLineDock_->setVisible(!chatLineDock_->isVisible());
      LayoutChanged(child);
      break;
    case Cmd::kChatSend:
      chatLine_->Send();
      break;
    case Cmd::kPreviousPage:
      MoveButtonPage(-1);
      break;
    case Cmd::kNextPage:
      MoveButtonPage(1);
      break;
    case Cmd::kContent:
      QDesktopServices::openUrl(QUrl::fromLocalFile(
          QDir(QString::fromStdString(platform::DataFolder())).filePath("index.htm")));
      break;
    case Cmd::kHelpOnWeb:
      QDesktopServices::openUrl(QUrl(kHelpAddress));
      break;
    case Cmd::kAbout:
      ShowAbout();
      break;
    case Cmd::kSettings:
      OpenSettings();
      break;
    case Cmd::kVtKeyboard:
      ToggleVtKeyboard();
      break;
    case Cmd::kKeyManagerSsh1:
    case Cmd::kKeyManagerSsh2: {
      CKeyManagerDialog dialog(command == Cmd::kKeyManagerSsh1 ? SshVersion::k1 : SshVersion::k2,
                               &Questions(), this);
      Questions().ExecDialog(dialog);
      break;
    }
    case Cmd::kCreateKeysSsh1:
    case Cmd::kCreateKeysSsh2:
      RunKeyCreation(command == Cmd::kCreateKeysSsh1 ? SshVersion::k1 : SshVersion::k2,
                     &Questions(), this);
      break;
    default:
      break;
  }
  if (command >= Cmd::kBarButton1 && command < Cmd::kBarButton1 + kButtonsPerPage && child)
    child->RunButton(command - Cmd::kBarButton1);
  if (!child) {
    UpdateCommandStates();
    return;
  }
  CVT420Doc& doc = child->Document();
  switch (command) {
    case Cmd::kClose:
      child->close();
      break;
    case Cmd::kSave:
      child->Save();
      break;
    case Cmd::kSaveAs:
      child->SaveAs();
      break;
    case Cmd::kSaveAsTemplate: {
      CSaveTemplateDialog dialog(doc, this);
      dialog.exec();
      break;
    }
    case Cmd::kCopy:
      view->Copy();
      break;
    case Cmd::kPaste:
      view->Paste();
      break;
    case Cmd::kSelectAll:
      view->SelectAll();
      break;
    case Cmd::kFind:
      view->Find();
      break;
    case Cmd::kFindNext:
      view->FindNext();
      break;
    case Cmd::kHistory:
      doc.ToggleHistory();
      view->Relayout();
      break;
    case Cmd::kClearHistory:
      if (doc.CanClearHistory()) doc.ClearHistory();
      break;
    case Cmd::kScrollPageUp:
      view->ScrollPageUp();
      break;
    case Cmd::kScrollPageDown:
      view->ScrollPageDown();
      break;
    case Cmd::kScrollToTop:
      view->ScrollToTop();
      break;
    case Cmd::kScrollToBottom:
      view->ScrollToBottom();
      break;
    case Cmd::kLargerFont:
      view->LargerFont();
      break;
    case Cmd::kSmallerFont:
      view->SmallerFont();
      break;
    case Cmd::kNewWindow:
      AddFrame(child->SharedDocument(), child->Path());
      break;
    case Cmd::kCascade:
      Cascade();
      break;
    case Cmd::kTile:
      mdi_->tileSubWindows();
      break;
    case Cmd::kArrangeIcons:
      for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w->isMinimized()) w->showMinimized();
      break;
    case Cmd::kNext:
      mdi_->activateNextSubWindow();
      break;
    case Cmd::kHoldScreen:
      view->HoldScreen();
      break;
    case Cmd::kResetTerminal:
      doc.ResetTerminal();
      break;
    case Cmd::kClearDisplay:
      doc.ClearDisplay();
      break;
    case Cmd::kClearAll:
      doc.ClearAll();
      break;
    case Cmd::kCapture:
      doc.CaptureCommand();
      break;
    case Cmd::kReconnect:
      doc.Reconnect();
      break;
    case Cmd::kRunScript: {
      FileQuestion q;
      q.title = "Run Script";
      q.filter = kScriptFilter;
      q.defaultExtension = "oss";
      if (const auto path = questions_->ChooseFile(q))
        RunScriptFile(*child, QString::fromStdString(*path));
      break;
    }
    case Cmd::kStopScript:
      doc.StopScripts();
      break;
    case Cmd::kReceiveZModem:
      doc.ReceiveZModem();
      break;
    case Cmd::kSendZModem:
      SendZModem(doc);
      break;
    case Cmd::kRecordMacro:
      RecordMacro(*child);
      break;
    case Cmd::kPrintPage:
      if (doc.CanPrint()) doc.PrintPage();
      break;
    case Cmd::kPrintSelection:
      if (doc.CanPrint()) PrintSelection(doc, view->Selection());
      break;
    case Cmd::kPrintAll:
      if (doc.CanPrint()) doc.PrintAll();
      break;
    case Cmd::kPrintingMode:
      doc.TogglePrintingMode();
      break;
    case Cmd::kPrintSetup:
      if (doc.CanPrint())
        RunPrintSetup(doc, this,
                      [this](QDialog& dialog) { return questions_->ExecDialog(dialog); });
      break;
    default:
      break;
  }
  UpdateCommandStates();
}

namespace {

struct ViewCommandRoute {
  ViewCommand view;
  int command;
};
constexpr ViewCommandRoute kViewCommands[] = {
    {ViewCommand::kClose, Cmd::kClose},
    {ViewCommand::kSettings, Cmd::kSettings},
    {ViewCommand::kPrint, Cmd::kPrintPage},
    {ViewCommand::kClearDisplay, Cmd::kClearDisplay},
    {ViewCommand::kClearHistory, Cmd::kClearHistory},
    {ViewCommand::kClearAll, Cmd::kClearAll},
    {ViewCommand::kCapture, Cmd::kCapture},
};

int CommandOf(ViewCommand view) {
  for (const ViewCommandRoute& r : kViewCommands)
    if (r.view == view) return r.command;
  return Cmd::kNone;
}

}  // namespace

void CMainFrame::RunViewCommand(CChildFrame& frame, ViewCommand command) {
  mdi_->setActiveSubWindow(&frame);
  if (ViewCommandEnabled(command)) RunCommand(CommandOf(command));
}

bool CMainFrame::ViewCommandEnabled(ViewCommand command) {
  UpdateCommandStates();
  const QAction* action = Action(CommandOf(command));
  return action && action->isEnabled();
}

void CMainFrame::RunMenuCommand(std::string_view path) {
  if (const int command =
          ResolveMenuPath(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()))))
    RunCommand(command);
}

void CMainFrame::LocalFunction(KeyCommand command) {
  switch (command) {
    case KeyCommand::kHoldScreen:
      RunCommand(ResolveMenuPath("Window: Hold Screen"));
      break;
    case KeyCommand::kPrintPage:
      RunCommand(Cmd::kPrintPage);
      break;
    case KeyCommand::kSettings:
      RunCommand(Cmd::kSettings);
      break;
    default:
      break;
  }
}

void CMainFrame::MarginBell() {
  QApplication::beep();
}

// ---- Active session ----

void CMainFrame::ActiveChanged() {
  CChildFrame* child = ActiveChild();
  // Activating a session keeps the menu bar hidden when the profile says so.
  if (profile_.GetInt(kWindow, kMenu.name, kMenu.defaultValue) == 0) menuBar()->hide();
  // The view takes the focus when another session becomes active. The MDI area also reports
  // the same session again whenever the main window is activated anew, and the session window
  // then gives its view the focus: after a click into the chat line of an inactive window the
  // first typed character went to the session. A chat line the user chose keeps the focus.
  if (child && child != focusedChild_) {
    chatChosen_ = false;
    child->View()->setFocus(Qt::OtherFocusReason);
  } else if (child && chatChosen_ && chatLineDock_->isVisible()) {
    // After the session window has given its view the focus.
    QTimer::singleShot(0, chatLine_->Field(),
                       [field = chatLine_->Field()] { field->setFocus(Qt::OtherFocusReason); });
  }
  if (child) focusedChild_ = child;
  RefreshTitle();
  RefreshButtons();
  RefreshStatus();
  UpdateCommandStates();
}

// Whether the user chose the chat line: a click or Tab into it, until a click into a view.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == chatLine_->Field() && event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::OtherFocusReason && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason)
      chatChosen_ = true;
  } else if (watched != chatLine_->Field() && event->type() == QEvent::MouseButtonPress) {
    chatChosen_ = false;
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::RefreshTitle() {
  CChildFrame* child = ActiveChild();
  title_ = child ? child->View()->MainTitle() : AppTitle();
  setWindowTitle(title_);
}

// A maximised MDI window appends its own title to the main window's; the main window keeps the
// title it was given.
void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange && !title_.isEmpty() && windowTitle() != title_)
    setWindowTitle(title_);
}

void CMainFrame::RefreshButtons() {
  CChildFrame* child = ActiveChild();
  if (!child) {
    buttonBar_->Clear();
    return;
  }
  std::lock_guard lock(child->Document().Terminal().Mutex());
  buttonBar_->ShowPage(child->Document().Settings(), child->ButtonPage());
}

void CMainFrame::MoveButtonPage(int delta) {
  CChildFrame* child = ActiveChild();
  if (!child) return;
  const int page = child->ButtonPage() + delta;
  if (page < 0 || page >= kButtonPages) return;
  child->SetButtonPage(page);
  RefreshButtons();
}

// The bars belong to the session's layout, which its file keeps: closing asks to save it.
void CMainFrame::LayoutChanged(CChildFrame* child) {
  if (child) child->Document().SetModified(true);
}

// What the message pane shows while no command is hovered: the active session's state.
QString CMainFrame::IdleMessage() {
  CChildFrame* child = ActiveChild();
  if (!child) return kReady;
  switch (child->Document().ConnectionState()) {
    case TransportState::kConnecting:
      return kConnectingMessage;
    case TransportState::kConnected:
      return kReady;
    default:
      return kDisconnectedMessage;
  }
}

// Leaving a menu item clears the message; the idle message comes back at once.
bool CMainFrame::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
    statusBar()->showMessage(IdleMessage());
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::RefreshStatus() {
  const QString message = statusBar()->currentMessage();
  if (message.isEmpty() || message == kReady || message == kConnectingMessage ||
      message == kDisconnectedMessage)
    statusBar()->showMessage(IdleMessage());
  CChildFrame* child = ActiveChild();
  if (!child) {
    cursorPane_->clear();
    printingPane_->clear();
    capsPane_->clear();
    numPane_->clear();
    return;
  }
  printingPane_->setText(child->Document().CurrentPrintMode() != PrintMode::kNone ? "Printing"
                                                                                  : "");
  capsPane_->setText(child->View()->CapsLockOn() ? "CAP" : "");
  numPane_->setText(child->View()->NumLockOn() ? "NUM" : "");
  int row;
  int column;
  {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    row = child->Document().Terminal().CursorRow();
    column = child->Document().Terminal().CursorColumn();
  }
  cursorPane_->setText(QString("%1:%2").arg(row + 1).arg(column + 1));
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // Sessions opened before the window was shown (the command line) get their size now.
  QTimer::singleShot(0, this, [this] {
    for (CChildFrame* child : Children()) child->resize(mdi_->viewport()->size());
  });
}

// ---- Window list, layout and About ----

QSize CMainFrame::UsableSize(CChildFrame& frame) const {
  const CTermFont& font = frame.View()->TermFont();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const int border = 2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
  // Until the main window is shown its area has a placeholder size that limits nothing.
  const QSize area = isVisible() ? mdi_->viewport()->size() : QSize();
  const WindowSize size =
      UsableSessionWindow({font.CellWidth(), font.CellHeight()}, {border + bar, border + title},
                          {area.width() > 1 ? area.width() : kUnlimited,
                           area.height() > 1 ? area.height() : kUnlimited});
  return {size.width, size.height};
}

void CMainFrame::GrowSessionArea(int extra) {
  if (extra <= 0 || isMaximized() || isFullScreen() || !screen()) return;
  const QRect screenArea = screen()->availableGeometry();
  const QRect outer = frameGeometry();
  const int grow = std::min(extra, screenArea.width() - outer.width());
  if (grow <= 0) return;
  // Moved left as far as it must to stay on the screen.
  const int shift = std::clamp(outer.right() + grow - screenArea.right(), 0, grow);
  const QSize before = size();
  move(pos().x() - shift, pos().y());
  resize(width() + grow, height());
  growth_.Grew(before, grow, shift, size());
}

QRect CMainFrame::WidenSessionWindow(const QRect& window, int extra) {
  const int wanted = window.width() + extra;
  GrowSessionArea(wanted - mdi_->viewport()->width());
  const int room = std::max(mdi_->viewport()->width(), window.width());
  const int width = std::min(wanted, room);
  const int left = window.x() + width <= room ? window.x() : std::max(0, room - width);
  return {left, window.y(), width, window.height()};
}

void CMainFrame::ReleaseSessionRoom() {
  const std::optional<CWindowGrowth::Growth> growth = growth_.Current(size());
  if (!growth) return;
  const int narrower = mdi_->viewport()->width() - growth->width;
  for (CChildFrame* child : Children())
    if (!child->isMaximized() && !child->isMinimized() && child->geometry().right() >= narrower)
      return;
  growth_.Forget();
  resize(width() - growth->width, height());
  move(pos().x() + growth->shift, pos().y());
}

void CMainFrame::Cascade() {
  const QList<CChildFrame*> children = Children();
  std::vector<WindowSize> usable;
  for (CChildFrame* child : children) {
    const QSize size = UsableSize(*child);
    usable.push_back({size.width(), size.height()});
  }
  const QSize area = mdi_->viewport()->size();
  const auto rects = CascadeWindows({area.width(), area.height()}, usable,
                                    style()->pixelMetric(QStyle::PM_TitleBarHeight));
  for (qsizetype i = 0; i < children.size(); ++i) {
    CChildFrame* child = children[i];
    const WindowRect& r = rects[static_cast<size_t>(i)];
    child->showNormal();
    child->setGeometry(r.x, r.y, r.width, r.height);
    child->raise();
  }
  if (CChildFrame* active = ActiveChild()) active->raise();
}

void CMainFrame::RefreshWindowTitles() {
  const QList<CChildFrame*> children = Children();
  std::vector<std::string> titles;
  for (CChildFrame* child : children) titles.push_back(child->View()->FrameTitle().toStdString());
  const std::vector<std::string> distinct = DistinctTitles(titles);
  for (qsizetype i = 0; i < children.size(); ++i)
    children[i]->setWindowTitle(QString::fromStdString(distinct[static_cast<size_t>(i)]));
}

void CMainFrame::RefreshWindowList() {
  for (QAction* a : windowActions_) {
    windowMenu_->removeAction(a);
    a->deleteLater();
  }
  windowActions_.clear();
  const QList<CChildFrame*> children = Children();
  if (children.isEmpty()) return;
  windowActions_ << windowMenu_->addSeparator();
  for (qsizetype i = 0; i < children.size(); ++i) {
    CChildFrame* child = children[i];
    QAction* action =
        windowMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(child->windowTitle()));
    action->setCheckable(true);
    action->setChecked(child == ActiveChild());
    connect(action, &QAction::triggered, this, [this, child] { mdi_->setActiveSubWindow(child); });
    windowActions_ << action;
  }
}

// ---- Settings and the VT keyboard ----

void CMainFrame::OpenSettings() {
  CChildFrame* child = ActiveChild();
  if (!child) {
    // The template's own values, or the defaults when there is none yet.
    CSettingsSet settings;
    CKeyMap keys;
    if (const auto path = TemplatePath(kDefaultTemplate)) ReadSetupFile(*path, settings, keys);
    CSettingsSheet sheet(settings, keys, SettingsTarget::kDefaults, this);
    if (sheet.exec() == QDialog::Accepted && !SaveSheetAsDefault(sheet))
      ShowMessage(this,
                  QString::fromUtf8(kTextCannotSaveDefault.data(),
                                    static_cast<qsizetype>(kTextCannotSaveDefault.size())),
                  MessageIcon::kStop);
    return;
  }
  // The session may close while the sheet is open; its document stays until OK is handled.
  const std::shared_ptr<CVT420Doc> doc = child->SharedDocument();
  std::unique_ptr<CSettingsSheet> sheet;
  {
    std::lock_guard lock(doc->Terminal().Mutex());
    sheet = std::make_unique<CSettingsSheet>(doc->Settings(), doc->Terminal().KeyMap(),
                                             SettingsTarget::kSession, this, &profile_);
  }
  if (sheet->exec() != QDialog::Accepted) return;
  ApplySheetToSession(*sheet, *doc);
  RefreshTitle();
  RefreshButtons();
  UpdateCommandStates();
}

void CMainFrame::ToggleVtKeyboard() {
  if (vtKeyboard_) {
    vtKeyboard_->setVisible(!vtKeyboard_->isVisible());
    UpdateCommandStates();
    return;
  }
  VtKeyboardHooks hooks;
  hooks.activeDocument = [this]() -> CVT420Doc* {
    CChildFrame* child = ActiveChild();
    return child ? &child->Document() : nullptr;
  };
  hooks.localFunction = [this](KeyCommand command) { LocalFunction(command); };
  hooks.forwardKey = [this](QKeyEvent* event) {
    CChildFrame* child = ActiveChild();
    if (!child) return;
    child->View()->setFocus(Qt::OtherFocusReason);
    if (event) QApplication::sendEvent(child->View(), event);
  };
  vtKeyboard_ = new CVtKeyboardWindow(std::move(hooks), this);
  vtKeyboard_->setAttribute(Qt::WA_DeleteOnClose);
  vtKeyboard_->adjustSize();
  vtKeyboard_->move(geometry().center() - vtKeyboard_->rect().center());
  vtKeyboard_->show();
  UpdateCommandStates();
}

void CMainFrame::ShowAbout() {
  QMessageBox box(
      QMessageBox::Information, "About " + AppTitle(),
      QString("<b>%1</b><br>A VT420 terminal for Telnet, SSH and serial lines.").arg(AppTitle()),
      QMessageBox::Ok, this);
  box.setObjectName("About");
  box.setIconPixmap(AppIcon().pixmap(64, 64));
  // A message box sizes itself to its text only; the title must fit as well.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 3 / 2 + 120;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

QIcon AppIcon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x20, 0x30, 0x48));
  p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 3));
  p.drawRoundedRect(QRectF(3, 7, 58, 50), 6, 6);
  p.setPen(QColor(0x60, 0xE0, 0x80));
  QFont font("Liberation Mono");
  font.setPixelSize(26);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(3, 7, 58, 50), Qt::AlignCenter, ">_");
  p.end();
  return QIcon(pixmap);
}

// ---- Closing ----

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (CChildFrame* child = ActiveChild()) {
    std::lock_guard lock(child->Document().Terminal().Mutex());
    if (child->Document().Settings().Int(S::CantCloseWindow) != 0) {
      event->ignore();
      return;
    }
  }
  WriteProfile();
  std::vector<CVT420Doc*> asked;
  for (CChildFrame* child : Children()) {
    CVT420Doc* doc = &child->Document();
    if (std::find(asked.begin(), asked.end(), doc) != asked.end()) continue;
    asked.push_back(doc);
    if (!doc->QueryDisconnect(true)) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace ostrane
