// The desktop program: the application object starts up, then runs the message loop.
#include "ui/application.h"

int main(int argc, char** argv) {
  ostrane::COstraneApp app(argc, argv);
  if (!app.Start()) return 1;
  return app.Run();
}
