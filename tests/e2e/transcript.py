"""The updater's transcript on the demo kit, piece by piece, as the modules
that run the demo kit compare it (before crlf)."""


def device_list(v1, v2, v3):
    return ("3 devices found:\n"
            "(1)Depth = 0, V/PID = 3A17/0415, FW Version = %s \r\n"
            "(2)Depth = 1, V/PID = 3A17/0600, FW Version = %s  \r\n"
            "(3)Depth = 2, V/PID = 3A17/0610, FW Version = %s  \r\n" % (v1, v2, v3))


def announced(n, image):
    return ("Please wait while FW is updated...\n"
            "--------------------------------------------------\n"
            "|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n"
            "--------------------------------------------------\n"
            "device(%d) Update In Progress...\n"
            "FileName:.\\Binfile\\%s\n" % (n, image))


def programmed(n, image):
    return announced(n, image) + "Device(%d):\n\tUpdata FW => SUCCESS\n" % n


UPGRADE_FAILED = " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a"
COMPLETE = ("Firmware Update Complete.\n"
            "\nPlease Power-Cycle your Quillet USB3.0 Dock for the update to take effect!\n\n")
