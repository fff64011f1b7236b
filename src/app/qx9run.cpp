// qx9run: the headless runner. See runner.h.
#include <iostream>
#include <new>

#include "runner.h"
#ifdef QX9_HAVE_CAMERA
#include "scenario/form_camera.h"
#endif

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef QX9_HAVE_CAMERA
  qx9::scenario::FormCamera camera;  // builds nothing until a screenshot step asks for the panel
  qx9::scenario::PanelCamera* panel = &camera;
#else
  qx9::scenario::PanelCamera* panel = nullptr;
#endif
  try {
    const int status = qx9::RunMain(args, std::cout, std::cerr, panel);
    std::cout.flush();
    return status;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "qx9run: out of memory\n";
    return qx9::kExitMemory;
  }
}
