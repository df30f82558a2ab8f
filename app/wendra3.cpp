// wendra3: the travelling-salesman search with the random-key encoding.
#include "application.h"
#include "main_window.h"

int main(int argc, char** argv) {
  wendra::Application app(argc, argv);
  wendra::TForm1 form(wendra::EncodingKind::kRandomKey);
  form.show();
  // Without a window manager nothing activates a new window; the first
  // activation is what gives the focus to "Close".
  form.activateWindow();
  return app.exec();
}
