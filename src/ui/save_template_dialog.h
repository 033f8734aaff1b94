// CSaveTemplateDialog: "Save Settings As Template". Saves a session's settings and key map as a
// named template; the existing templates are offered, and a name that cannot be saved keeps the
// dialog open with the reason.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <functional>

namespace ostrane {

class CVT420Doc;

class CSaveTemplateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CSaveTemplateDialog(CVT420Doc& doc, QWidget* parent = nullptr);

  QComboBox* NameField() const { return name_; }
  void SetMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
  }

 public slots:
  void accept() override;

 private:
  void Message(const QString& text);

  CVT420Doc& doc_;
  QComboBox* name_ = nullptr;
  std::function<void(const QString&)> messageHandler_;
};

}  // namespace ostrane
