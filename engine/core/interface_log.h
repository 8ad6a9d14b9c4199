// The lines every engine interface logs when it is created and deleted.
#ifndef NIMBREL_CORE_INTERFACE_LOG_H
#define NIMBREL_CORE_INTERFACE_LOG_H

// " . [IButton] Interfaz created.\n" at level 5.
void LogInterfaceCreated(const char* interfaceName);
// " . [IButton] Interfaz deleted.\n" at level 5.
void LogInterfaceDeleted(const char* interfaceName);

#endif
