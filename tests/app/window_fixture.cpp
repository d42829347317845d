#include "window_fixture.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include <algorithm>

#include "model/printer_record.h"

void WindowFixture::open() {
  // Backups of the writes go into the temporary folder, not the user's state folder.
  qputenv("XDG_STATE_HOME", dir.path().toLocal8Bit());
  WindowOptions options;
  options.notifier = &notifier;
  options.clock = clock;
  options.workingDirectory = dir.path().toStdString();
  options.usbBackend = usbBackend;
  form = std::make_unique<TForm2>(options);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void WindowFixture::selectPort(const QString& text) {
  ui().portSelection->setCurrentIndex(ui().portSelection->findText(text));
}

void WindowFixture::setTcpTarget(quint16 port) {
  selectPort("TCP/IP");
  ui().ipAddress->setText("127.0.0.1");
  ui().port->setText(QString::number(port));
}

bool WindowFixture::read(int timeoutMs) {
  QSignalSpy finished(form.get(), &TForm2::readFinished);
  ui().readSW->click();
  if (!finished.wait(timeoutMs)) return false;
  return finished.first().first().toBool();
}

bool WindowFixture::runOperation(QPushButton* button, int timeoutMs) {
  QSignalSpy finished(form.get(), &TForm2::operationFinished);
  button->click();
  return finished.wait(timeoutMs);
}

QString WindowFixture::field(kestrova::RecordField f) const {
  return ui().recordEdits[static_cast<std::size_t>(f)]->text();
}

QString WindowFixture::label(int bitIndex) const { return ui().switchInfo[static_cast<std::size_t>(bitIndex)]->text(); }

QStringList WindowFixture::logLines() const {
  QStringList lines;
  for (int i = 0; i < ui().log->count(); ++i) lines << ui().log->item(i)->text();
  return lines;
}

void WindowFixture::expectNoLaterBox(std::size_t boxes) {
  // A read reports through the watchdog alone (a report needs it running), and once the read has
  // ended nothing starts it again: the read's job made its last change of the window before the
  // read ended, each change waiting for the window to make it. What may still run on the link
  // thread is the closing of the port, and only its failure could show a box. Settling for less
  // than one of the protocol's 200 ms pauses lets that run; a watchdog started again by mistake
  // would not report before its eighth tick, 4 s on, and shows here as running instead.
  QVERIFY(!form->watchdogRunning());
  QTest::qWait(150);
  QVERIFY(!form->watchdogRunning());
  QCOMPARE(notifier.messages.size(), boxes);
}
