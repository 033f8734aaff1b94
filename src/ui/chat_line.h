// CChatLine: a one-line edit field and a "Send" button. "Send" while the focus is elsewhere
// only moves the focus to the field; with the focus in the field it hands the text over.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace ostrane {

class CChatLine : public QWidget {
  Q_OBJECT

 public:
  explicit CChatLine(QWidget* parent = nullptr);

  QLineEdit* Field() const { return field_; }
  QPushButton* SendButton() const { return send_; }

 public slots:
  // The "Send" command.
  void Send();

 signals:
  // The text to send (without a line end); the field has been emptied.
  void textEntered(const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* field_ = nullptr;
  QPushButton* send_ = nullptr;
};

}  // namespace ostrane
