// tolvar: start-up in its order (settings, forms, engine, catalog, main window, the
// query of the command line or a new one), a second start hands its file to the first.
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPainter>
#include <QSplashScreen>
#include <QTimer>
#include <QWhatsThis>

#include "main_frame.h"
#include "printing.h"
#include "ztext/ztext.h"
#include "string_table.h"
#include "tolvar_app.h"

using namespace tolvar;

namespace {

// F1 in a dialog shows the «What's this?» text of the control that has the focus (or the
// one under the pointer); any key or button press closes the splash.
class AppFilter : public QObject {
 public:
  QSplashScreen* splash = nullptr;
  bool eventFilter(QObject* o, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (splash && (t == QEvent::KeyPress || t == QEvent::MouseButtonPress)) {
      splash->close();
      splash = nullptr;
    }
    if (t == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
      QWidget* w = QApplication::widgetAt(QCursor::pos());
      if (!w || w->whatsThis().isEmpty()) w = QApplication::focusWidget();
      if (w && w->window()->inherits("QDialog") && !w->whatsThis().isEmpty()) {
        QWhatsThis::showText(w->mapToGlobal(QPoint(0, w->height())), w->whatsThis(), w);
        return true;
      }
    }
    return QObject::eventFilter(o, e);
  }
};

QPixmap SplashPicture() {
  QPixmap p(480, 260);
  p.fill(QColor(0x1f, 0x3b, 0x5c));
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  QIcon(":/icons/tolvar.png").paint(&g, QRect(30, 70, 110, 110));
  g.setPen(Qt::white);
  QFont f = g.font();
  f.setPixelSize(44);
  f.setBold(true);
  g.setFont(f);
  g.drawText(QRect(160, 70, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, "Tolvar");
  f.setPixelSize(16);
  f.setBold(false);
  g.setFont(f);
  g.drawText(QRect(162, 130, 300, 60), Qt::AlignLeft | Qt::TextWordWrap,
             "Система поиска по библиографическим базам данных. Версия 2.0");
  return p;
}

QString ServerName() { return "tolvar-" + qEnvironmentVariable("USER", "user"); }

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setOrganizationName("ORVANT");
  QApplication::setApplicationName("Tolvar");
  QApplication::setApplicationVersion("2.0");
  QStringList files = QApplication::arguments().mid(1);
  if (files.contains("--version")) {
    printf("tolvar 2.0\n");
    return 0;
  }
  if (IsPrintCommand(files)) return PrintFromCommandLine(files, QApplication::applicationDirPath());
  files.removeIf([](const QString& a) { return a.startsWith("--"); });

  // A running program takes the file over.
  if (!files.isEmpty()) {
    QLocalSocket peer;
    peer.connectToServer(ServerName());
    if (peer.waitForConnected(300)) {
      peer.write(QDir::current().absoluteFilePath(files.first()).toUtf8());
      peer.waitForBytesWritten(1000);
      return 0;
    }
  }

  AppFilter filter;
  qapp.installEventFilter(&filter);
  QSplashScreen splash(SplashPicture());
  if (!qEnvironmentVariableIsSet("TOLVAR_NO_SPLASH")) {
    splash.show();
    filter.splash = &splash;
    QTimer::singleShot(5000, &splash, [&] {
      splash.close();
      filter.splash = nullptr;
    });
  }
  qapp.processEvents();

  CTolvarApp app;
  SetApp(&app);
  if (!app.Start(QApplication::applicationDirPath())) return 1;
  const int opened = app.OpenCatalog();
  if (opened <= 0) splash.close();

  CMainFrame frame;
  if (app.settings.startMaximized) frame.showMaximized();
  else frame.show();
  frame.FillEditions();

  QLocalServer server;
  QLocalServer::removeServer(ServerName());
  server.listen(ServerName());
  QObject::connect(&server, &QLocalServer::newConnection, &frame, [&] {
    QLocalSocket* s = server.nextPendingConnection();
    QObject::connect(s, &QLocalSocket::readyRead, &frame, [&frame, s] {
      frame.OpenFile(QString::fromUtf8(s->readAll()));
      frame.activateWindow();
      s->deleteLater();
    });
  });

  if (!files.isEmpty()) {
    if (!frame.OpenFile(files.first())) return 1;
    splash.close();
  } else if (app.settings.autoOpen) {
    splash.close();
    frame.NewQuery();
  } else if (opened <= 0) {
    splash.close();
  }
  frame.QuickField()->setFocus();
  const int rc = qapp.exec();
  app.Shutdown();
  SetApp(nullptr);
  return rc;
}
