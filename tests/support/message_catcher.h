// SPDX-License-Identifier: Apache-2.0
#pragma once
// Answers the program's modal message boxes while a test runs, recording
// what each one showed.
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace testsupport {

struct CaughtMessage {
  QString title;
  QString text;  // with the text under Show Details, after a blank line
  int height = 0;  // of the box with its frame, in pixels
  bool only_ok = false;
  bool no_icon = false;
};

class MessageCatcher : public QObject {
 public:
  MessageCatcher();
  const std::vector<CaughtMessage>& Messages() const { return messages_; }
  std::vector<QString> Texts() const;

 private:
  void Poll();
  QTimer timer_;
  std::vector<CaughtMessage> messages_;
};

}  // namespace testsupport
