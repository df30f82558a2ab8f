// wendra3: the travelling-salesman search with the random-key encoding.
#include "application.h"
#include "main_window.h"

int main(int argc, char** argv) {
  wendra::Application app(argc, argv);
  wendra::TForm1 form(wendra::EncodingKind::kRandomKey);
  form.show();
  wendra::Application::activateAtStart(form);
  return app.exec();
}
