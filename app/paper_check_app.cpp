// The application object and the process's entry.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "dialog/paper_check_dialog_win32.h"
#include "exchange/native_exchange_file.h"
#include "framework/dialog.h"
#include "resources/resource_text_catalogue.h"
#include "startup/system_dlls_win32.h"

namespace paperchk::win {
namespace {

// The report is filled once from the command line and lives for the run.
MismatchReport g_report;

class PaperCheckApp {
 public:
  // Runs the paper-check dialog as the main window. Returns false: the process
  // ends without a message loop of its own (the dialogs have theirs).
  bool InitInstance(HINSTANCE instance) {
    Application::instance = instance;
    // The three-dimensional look: the manifest selects the common controls
    // with the platform's visual style; the templates carry DS_3DLOOK.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    ResourceTextCatalogue catalogue;
    std::unique_ptr<ExchangeFileSystem> files = MakeNativeExchangeFileSystem();
    auto dialog = std::make_unique<PaperCheckDialog>(g_report, catalogue, *files);
    Application::mainWindow = dialog.get();
    dialog->DoModal();
    Application::mainWindow = nullptr;
    dialog.reset();
    return false;
  }
};

PaperCheckApp g_app;

}  // namespace
}  // namespace paperchk::win

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  paperchk::win::UseSystemFolderDllsOnly();
  paperchk::win::g_app.InitInstance(instance);
  return 0;
}
