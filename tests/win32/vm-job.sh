# Runs inside the test machine (tests/win32/run-vm.sh) as its job, from the
# shared folder that holds the 32-bit Lumaris.scr and Lumaris-2.01-setup.exe:
# the box for unknown arguments (/x), the scene (/s, ended by a key), the
# dialog (/c, saved with Enter), then the installer, the installed program
# and the uninstaller. What it saw goes to the folder's "out": screenshots
# (xwd), exit statuses, and what the registry and the disk hold.
# Wine's output goes to files, never into a pipe: its background services
# would keep a pipe open.
set -u
out=/share/out
mkdir -p "$out"
# The programs run from the machine's own disk: a large program mapped
# straight from the shared folder is read in wrongly, page by page, and
# crashes at its first instruction.
files=/root/files
mkdir -p "$files"
cp /share/Lumaris.scr /share/Lumaris-2.01-setup.exe "$files/"
export HOME=/root WINEPREFIX=/root/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:1
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
wineserver -p
# Wine's first program in the machine starts its services, which takes
# emulated time (up to a minute or more): it is done once before the
# programs whose windows are waited for.
timeout 300 wine cmd /c exit >"$out/warm.log" 2>&1

# The first window with this exact title, waited for up to a minute and a
# half (an emulated machine is slow).
window() { timeout 90 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
shot() { xwd -root -silent >"$out/$1.xwd"; }
query() { wine reg query "$1" /v "$2" >"$out/$3" 2>/dev/null; }

# run NAME PROGRAM ARGUMENT TITLE WAIT KEY: starts the program, waits for its
# window TITLE, takes a screenshot NAME after WAIT seconds, gives the window
# the key and records the window and the exit status (two minutes at most:
# a program that hangs or crashes into the debugger is ended).
run() {
    timeout 120 wine "$2" "$3" >"$out/$1.log" 2>&1 &
    p=$!
    w=$(window "$4")
    echo "$w" >"$out/$1.window"
    sleep "$5"
    shot "$1"
    [ -n "$w" ] && xdotool windowfocus --sync "$w" key "$6"
    wait $p
    echo $? >"$out/$1.status"
}

run x "$files/Lumaris.scr" /x Lumaris 1 Return
run s "$files/Lumaris.scr" /s "QNVesmire Saver Running" 5 x
run c "$files/Lumaris.scr" /c Configuration 2 Return
wine reg query "HKCU\\Software\\QN Vesmire Lumaris\\Settings" >"$out/settings.txt" 2>/dev/null

desktop="HKCU\\Control Panel\\Desktop"
wine reg add "$desktop" /v SCRNSAVE.EXE /d "C:\\windows\\system32\\before.scr" /f >/dev/null 2>&1
timeout 300 wine "$files/Lumaris-2.01-setup.exe" /S >"$out/setup.log" 2>&1
echo $? >"$out/setup.status"
folder=$WINEPREFIX/drive_c/users/root/AppData/Local/Programs/Lumaris
ls "$folder" >"$out/installed.txt" 2>&1
query "$desktop" SCRNSAVE.EXE scrnsave.txt
run installed-s "$folder/Lumaris.scr" /s "QNVesmire Saver Running" 3 x
timeout 300 wine "$folder/Uninstall Lumaris.exe" /S >"$out/uninstall.log" 2>&1
# The uninstaller finishes from a copy of itself.
for _ in $(seq 300); do [ -e "$folder" ] || break; sleep 0.1; done
[ -e "$folder" ] && echo kept >"$out/uninstalled.txt" || echo gone >"$out/uninstalled.txt"
query "$desktop" SCRNSAVE.EXE scrnsave-after.txt
wineserver -k
echo done >"$out/done"
