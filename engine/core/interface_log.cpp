// The lines every engine interface logs when it is created and deleted.
#include "core/interface_log.h"

#include "Nimbrel.h"

void LogInterfaceCreated(const char* interfaceName) {
    ILogSystem.Msg(5, " . [%s] Interfaz created.\n", interfaceName);
}

void LogInterfaceDeleted(const char* interfaceName) {
    ILogSystem.Msg(5, " . [%s] Interfaz deleted.\n", interfaceName);
}
