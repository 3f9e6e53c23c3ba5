// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the program under the soak test: dlclose keeps every library
// loaded. Mesa unloads its driver when the X connection closes at exit, before
// LeakSanitizer looks; the driver's leaks would then be reported from an
// "<unknown module>", which no suppression can name, instead of from
// swrast_dri.so. Keeping libraries loaded changes nothing else a run does.
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
