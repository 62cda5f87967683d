// Ids of this machine and of this boot, one per application, that reveal nothing of the host's
// own (since 1.3).
#ifndef TARN_IDENTITY_H
#define TARN_IDENTITY_H

#include "tarn/export.h"
#include "tarn/tarnstr.h"

namespace tarn {

// The host's own machine id is confidential: handed to a server, it names the machine to
// everyone who sees it. These ids are derived from it for one application, `app_id`, so that
// two applications get two unrelated ids and neither reveals the host's: a licence seat, a
// cache key, a count of installs. The derivation is systemd's (sd_id128_get_machine_app_specific:
// HMAC-SHA256 keyed with the host's id over the application's, as a version-4 UUID), the same on
// every host, so on Linux the id equals `systemd-id128 machine-id --app-specific=APP` for every
// APP but the all-zero one: that tool takes a null id for "none" and prints the raw machine id,
// where this function (like systemd's library call) derives one as for any other APP.
//
// `app_id`: the application's own 128-bit id, as 32 hex digits or as a UUID (8-4-4-4-12), in
// either case; make one once (`systemd-id128 new`, uuidgen) and keep it in the program.
//
// The result: 32 lowercase hex digits, or the empty text when the host has no such id. Linux
// reads /etc/machine-id (else /var/lib/dbus/machine-id); an empty, "uninitialized", all-zero or
// malformed one is none. Windows reads the registry's MachineGuid. Clones of one image share a
// machine id, and containers often have none.
//
// Throws std::runtime_error("invalid application id") for any other `app_id`, std::bad_alloc
// when storage runs out. Safe from any thread; asks the host on every call.
TARN_API tarnstr getmachineid(const tarnstr& app_id);

// The same for this boot of the machine (Linux: /proc/sys/kernel/random/boot_id): a new id after
// every restart. Windows keeps no boot id: always the empty text there.
TARN_API tarnstr getbootid(const tarnstr& app_id);

} // namespace tarn

#endif
