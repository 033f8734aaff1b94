#include "ui/child_frame.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QTimer>
#include <utility>

#include "session/setup_file.h"
#include "settings/control_string.h"
#include "settings/message_texts.h"
#include "ui/button_bar.h"
#include "ui/frame_commands.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "ui/vt420_view.h"

namespace ostrane {

namespace {

enum ButtonAction { kSendString = 0, kScriptText = 1, kScriptFile = 2 };

}  // namespace

CChildFrame::CChildFrame(std::shared_ptr<CVT420Doc> doc, CMainFrame& main)
    : doc_(std::move(doc)), main_(main) {
  setAttribute(Qt::WA_DeleteOnClose);
  view_ = new CVT420View(*doc_, this);
  setWidget(view_);
  view_->SetProfile(main_.ViewProfileValues());
  view_->SetCommandState([this](ViewCommand command) { return main_.ViewCommandEnabled(command); });
  // Without an icon of its own a session window shows the toolkit's logo when maximised.
  setWindowIcon(AppIcon());
  setWindowTitle(view_->FrameTitle());
  connect(view_, &CVT420View::frameTitleChanged, this, [this](const QString& title) {
    setWindowTitle(title);
    emit titleChanged();
  });
  connect(view_, &CVT420View::mainTitleChanged, this, &CChildFrame::titleChanged);
  connect(view_, &CVT420View::buttonsChanged, this, &CChildFrame::buttonsChanged);
  // The connection ended while closing, or with AutoClose on.
  connect(view_, &CVT420View::closeRequested, this, [this] {
    closing_ = true;
    close();
  });
  connect(view_, &CVT420View::pageWidthChanged, this, &CChildFrame::FitPageWidth);
  connect(view_, &CVT420View::commandRequested, this,
          [this](ViewCommand command) { main_.RunViewCommand(*this, command); });
}

CChildFrame::~CChildFrame() {
  // The view goes while the document it shows is still there.
  delete view_;
}

void CChildFrame::SetPath(const QString& path) {
  path_ = path;
}

void CChildFrame::SetButtonPage(int page) {
  buttonPage_ = std::clamp(page, 0, kButtonPages - 1);
}

void CChildFrame::RunButton(int indexOnPage) {
  if (indexOnPage < 0 || indexOnPage >= kButtonsPerPage) return;
  const int entry = buttonPage_ * kButtonsPerPage + indexOnPage;
  std::string text;
  int action;
  {
    std::lock_guard lock(doc_->Terminal().Mutex());
    const CSettingsSet& s = doc_->Settings();
    text = s.ButtonString(entry);
    action = s.ButtonAction(entry);
  }
  if (!text.empty()) {
    switch (action) {
      case kSendString: {
        std::string bytes;
        if (ParseControlString(text, bytes))
          doc_->Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        break;
      }
      case kScriptText:
        doc_->RunScriptText(text, false);
        break;
      case kScriptFile:
        doc_->RunScriptFile(text);
        break;
      default:
        break;
    }
  }
  view_->setFocus(Qt::OtherFocusReason);
}

void CChildFrame::SendChatText(const QString& text) {
  std::string bytes;
  {
    std::lock_guard lock(doc_->Terminal().Mutex());
    CVT420Emulator& t = doc_->Terminal();
    for (QChar c : text) bytes += t.EncodeChar(c.unicode());
    bytes += t.Settings().Int(S::NewLine) != 0 ? "\r\n" : "\r";
  }
  doc_->Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool CChildFrame::WriteTo(const QString& path) {
  const SetupFileStatus status = doc_->WriteSessionFile(path.toStdString());
  if (status != SetupFileStatus::kOk) {
    ShowMessage(this,
                QString::fromUtf8(kTextCannotCreateFile.data(),
                                  static_cast<qsizetype>(kTextCannotCreateFile.size())),
                MessageIcon::kStop);
    return false;
  }
  doc_->SetModified(false);
  main_.DocumentSaved(*doc_, path);
  return true;
}

bool CChildFrame::Save() {
  return path_.isEmpty() ? SaveAs() : WriteTo(path_);
}

bool CChildFrame::SaveAs() {
  const QString path = main_.AskSessionFile(true, path_);
  return !path.isEmpty() && WriteTo(path);
}

void CChildFrame::FitPageWidth(int pixels) {
  if (pixels == 0 || isMinimized()) return;
  // A maximised window fills the area: the main window grows, or gives its room back.
  if (isMaximized()) {
    if (pixels > 0)
      main_.GrowSessionArea(pixels);
    else
      main_.ReleaseSessionRoom();
    return;
  }
  if (pixels > 0) {
    const QRect before = geometry();
    const QRect wider = main_.WidenSessionWindow(before, pixels);
    if (wider == before) return;
    // A window that grew twice goes back to the first size in one step.
    growth_.Grew(size(), wider.width() - before.width(), before.x() - wider.x(), wider.size());
    setGeometry(wider);
    return;
  }
  // A window opened wide, or resized by the user since it grew, keeps its size and the font
  // fits it.
  const std::optional<CWindowGrowth::Growth> growth = growth_.Current(size());
  growth_.Forget();
  if (!growth) return;
  setGeometry(x() + growth->shift, y(), width() - growth->width, height());
  main_.ReleaseSessionRoom();
}

int CChildFrame::WindowsOfDocument() const {
  int count = 0;
  for (CChildFrame* frame : main_.Children())
    if (frame->doc_ == doc_) ++count;
  return count;
}

bool CChildFrame::Finish() {
  if (doc_->IsModified()) {
    MessageQuestion q;
    q.messageId = Msg::kSaveModified;
    q.text = std::string(MessageText(Msg::kSaveModified));
    q.caption = doc_->Title();
    q.buttons = MessageButtons::kYesNo;
    q.icon = MessageIcon::kQuestion;
    q.defaultAnswer = MessageAnswer::kYes;
    if (main_.Questions().AskMessage(q) == MessageAnswer::kYes) Save();
    doc_->SetModified(false);
  }
  bool autoExit;
  {
    std::lock_guard lock(doc_->Terminal().Mutex());
    autoExit = doc_->Settings().Int(S::AutoExit) != 0;
  }
  finished_ = true;
  if (autoExit && main_.Children().size() <= 1) {
    // After this window has gone.
    QTimer::singleShot(0, &main_, &QWidget::close);
  }
  return true;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  // Read before the close: the MDI area activates (and may restore) the next window meanwhile.
  const bool maximized = isMaximized();
  DecideClose(event);
  if (event->isAccepted()) emit closing(maximized);
}

void CChildFrame::DecideClose(QCloseEvent* event) {
  if (finished_) {
    event->accept();
    return;
  }
  {
    std::lock_guard lock(doc_->Terminal().Mutex());
    if (doc_->Settings().Int(S::CantCloseWindow) != 0) {
      event->ignore();
      return;
    }
  }
  // Another window still shows the session: only this one goes.
  if (WindowsOfDocument() > 1) {
    finished_ = true;
    event->accept();
    return;
  }
  const TransportState state = doc_->ConnectionState();
  if (state == TransportState::kClosed || state == TransportState::kIdle || closing_) {
    Finish();
    event->accept();
    return;
  }
  event->ignore();
  view_->SetClosing(true);
  // The window stays responsive while the connection ends; its end closes the window.
  if (!doc_->QueryDisconnect(true, false)) {
    view_->SetClosing(false);
    return;
  }
  closing_ = true;
  // The view reports the end of the connection and asks again; when the transport already
  // stopped without telling, the window closes anyway.
  QTimer::singleShot(0, this, [this] {
    if (doc_->ConnectionState() == TransportState::kClosed) close();
  });
}

}  // namespace ostrane
