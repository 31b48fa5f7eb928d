// The start-up code of a program or DLL calls the runtime's TLS callback
// itself when one is set. The runtime's own definition of it comes with a
// TLS directory, which Windows before Vista does not set up for a DLL
// loaded with LoadLibrary, as the Control Panel loads its applets. Defined
// here as none, the runtime's definition and its directory are never
// linked in: the deliverables have no thread-local data to set up. The
// start-up code names three flags only to pull that definition in.
#include <windows.h>

extern "C" {
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
int __mingw_initltsdrot_force;
int __mingw_initltsdyn_force;
int __mingw_initltssuo_force;
}
