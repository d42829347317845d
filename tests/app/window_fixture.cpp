#include "window_fixture.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include "model/printer_record.h"

void WindowFixture::open() {
  WindowOptions options;
  options.notifier = &notifier;
  options.workingDirectory = dir.path().toStdString();
  options.usbBackend = usbBackend;
  form = std::make_unique<TForm2>(options);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()) || true);
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

QString SimBinary() {
  const QString dir = qEnvironmentVariable("KESTROVA_BIN_DIR");
  const QString path = dir + "/kestrova-printer-sim";
  return QFile::exists(path) ? path : QString();
}
