/* Where the bay manager and the Control Panel applet meet: the registry.
 * The service's key and its two parameters, which the applet edits and
 * the service reads afresh at each use; the drivers below the bays, which
 * the service needs or starts, and their settings the applet shows. Both
 * deliverables, their tests and the simulated bay machine (sim/) include
 * this header, so every name is written down once. All keys are under
 * HKEY_LOCAL_MACHINE. Plain C. */
#ifndef BAY_REGISTRY_H
#define BAY_REGISTRY_H

#define SERVICES_KEY "SYSTEM\\CurrentControlSet\\Services\\"

/* The bay manager service. Its parameters are REG_DWORD; the service takes
 * any value that reads nonzero in four bytes as on, the applet only 1. */
#define SERVICE_NAME "vlxpnpmgr"
#define SERVICE_DISPLAY_PREFIX "Vorlix PnP Manager " /* the display name: this and the version */
#define SERVICE_KEY SERVICES_KEY SERVICE_NAME
#define PARAMETERS_KEY SERVICE_KEY "\\Parameters"
#define ENABLE_MESSAGES_VALUE "EnableMessages"
#define ENABLE_WARM_SWAPPING_VALUE "EnableWarmSwapping"

/* The drivers, by service name: the bay controller's miniport, which the
 * service needs running; the class drivers and the CD-ROM file system,
 * which it starts when a drive of their kind arrives. */
#define MINIPORT_SERVICE "vlxpx4"
#define CDROM_CLASS_SERVICE "vlxcdrom"
#define LS120_CLASS_SERVICE "vlxls120"
#define CDROM_FILE_SYSTEM_SERVICE "cdfs"

/* The drivers' settings on the applet's pages. The DMA status has one
 * value per channel: 0 and 1 the legacy controller's primary and
 * secondary, 2 and 3 the native controller's. */
#define CDROM_KEY SERVICES_KEY CDROM_CLASS_SERVICE
#define AUTORUN_VALUE "Autorun"
#define MINIPORT_KEY SERVICES_KEY MINIPORT_SERVICE
#define MINIPORT_PARAMETERS_KEY MINIPORT_KEY "\\Parameters"
#define ENABLE_DMA_VALUE "EnableDma"
#define DMA_STATUS_KEY MINIPORT_PARAMETERS_KEY "\\DmaStatus"
#define DMA_CHANNEL_VALUE(channel) "Channel" #channel

#endif /* BAY_REGISTRY_H */
