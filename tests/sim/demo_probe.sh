#!/bin/sh
# Started by zrt-vivoraz-demo in place of the tool: passes when it sees the demo's virtual reader
# as the hidraw backend would (sysfs entry with the reader's HID_ID, device node) under the preload.
set -e
case "$LD_PRELOAD" in *libumockdev-preload.so.0*) ;; *) echo "no preload"; exit 1 ;; esac
grep -qx 'HID_ID=0003:000013AB:00000051' /sys/class/hidraw/hidraw0/device/uevent
test -e /dev/hidraw0
test "$(ls /sys/class/hidraw)" = "hidraw0"
echo "probe: the reader is there"
