# An installation of the product as the scripts that play the real program
# lay it out (sourced): the archiver's stand-in and the registry naming its
# folder, the script catalogue with the FTP password, an installation folder,
# and the operator's moves under Xvfb (waiting for a window, clicking, the
# start's gate, a run up to its information box, screenshots). Used by
# scripts/demo.sh, scripts/listing-faults.sh, scripts/failed-download.sh,
# scripts/tampered-download.sh, scripts/refused-data-connection.sh,
# scripts/own-names.sh and
# bench/gui_update_bench.sh.

# The archiver's stand-in below BASE/programas: "x -o+ ARCHIVE *.exe TARGET"
# extracts the archive (a tar file here) into the folder it was started in;
# the registry naming that folder is exported as VELMUPDATE_REGISTRY.
make_programs_folder() {  # base folder
    mkdir -p "$1/programas/WinRAR" "$1/dados"
    cat >"$1/programas/WinRAR/WinRAR.exe" <<'SH'
#!/bin/sh
[ "$1" = x ] && tar -xf "$3" --wildcards '*.exe'
SH
    chmod +x "$1/programas/WinRAR/WinRAR.exe"
    cat >"$1/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$1/programas"
REG
    export VELMUPDATE_REGISTRY="$1/registry.reg"
}

# The script catalogue BASE/catalogo.db (SQLite) with the FTP password of
# ftpuser (velmftp) scrambled as the product stores it, its aliases file
# (exported as VELMUPDATE_ALIASES) and the product database it creates.
# Further arguments go to velm_make_catalogue (--demo-scripts, --script ...).
make_catalogue() {  # velm_make_catalogue, base folder, product database, [arguments...]
    local program=$1 base=$2 product=$3
    shift 3
    "$program" --catalogue "$base/catalogo.db" --aliases "$base/aliases.ini" \
        --product "$product" --ftp-password 1yhopiws "$@" >&2
    export VELMUPDATE_ALIASES="$base/aliases.ini"
}

# An installation folder, made afresh: the sibling programs as installed
# (dated before any release; their bytes a printf format given the file's
# name, "MZ demo" by default), the product's configuration naming its
# database, and the update server's address in atualiza.cfg.
make_installation() {  # folder, server port, product database, [server host], [programs' bytes]
    rm -rf "$1"
    mkdir -p "$1"
    local exe
    for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
        # shellcheck disable=SC2059  # the format is the caller's
        printf "${5:-MZ demo\\n}" "$exe" >"$1/$exe"
        touch -d '2026-11-02 08:00' "$1/$exe"
    done
    printf '[SISTEMA]     %s\r\n' "$3" >"$1/Sys_Info.INI"
    point_at_server "$1" "$2" "${4:-}"
}

# atualiza.cfg: the update server the installation's next run talks to.
point_at_server() {  # folder, server port, [server host]
    printf '%s\r\n%s\r\n\r\n' "${3:-127.0.0.1}" "$2" >"$1/atualiza.cfg"
}

# The operator under Xvfb.

# Configures the build folder with the given option and builds the targets
# a script plays, before it goes under Xvfb.
configure_and_build() {  # build folder, cmake option, targets...
    cmake -S . -B "$1" -G Ninja "$2" >/dev/null
    cmake --build "$1" --target "${@:3}" -j "$(nproc)" >&2
}

# Runs the calling script again under Xvfb on a 1280x1024 screen, with
# VELM_UNDER_XVFB set so that the second start knows where it is.
rerun_under_xvfb() {  # script, its arguments...
    export VELM_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
}

wait_window() {  # title regex, [seconds, default 15] -> window id, once painted
    local id i
    for ((i = 0; i < ${2:-15} * 10; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            sleep 0.5  # let it paint
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}

click() {  # window id, x, y (client coordinates)
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# The start's gate: both boxes ticked, then "&Continuar  ".
confirm_gate() {  # gate window id
    click "$1" 46 568  # CheckBox1
    click "$1" 46 591  # CheckBox2
    click "$1" 698 586 # "&Continuar  "
}

# Starts the program in the current folder, confirms the gate and presses
# "&Atualizar agora" with Enter; sets update_pid and update_window.
start_update() {  # program, [seconds to wait for each window, default 15]
    "$1" &
    update_pid=$!
    local gate
    gate=$(wait_window '^Atualização$' "${2:-15}")
    confirm_gate "$gate"
    update_window=$(wait_window '^Atualização de Sistema$' "${2:-15}")
    xdotool key --window "$update_window" Return
}

# The run's information box: a screenshot of the screen with it, then OK
# (Enter, once the box has the focus), and back once it is gone.
answer_box() {  # screenshot file, [seconds to wait for the box, default 15]
    local box
    box=$(wait_window '^VelmUpdate$' "${2:-15}")
    shot_screen "$1"
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    xdotool key Return
    while xdotool search --onlyvisible --name '^VelmUpdate$' >/dev/null 2>&1; do sleep 0.1; done
}

# "&Sair" on the update window, and the program's end.
leave_update() {
    click "$update_window" 849 581
    wait "$update_pid" || true
}

# The whole screen, since the box is a window of its own, less the empty
# border around the update window.
shot_screen() {  # file
    import -window root "$1"
    mogrify -trim +repage "$1"
}

# Against the scripted update server (a program of the test build that serves
# a folder with a listing of its own and prints its port).

# Builds what a play against the scripted server needs, then runs the
# calling script again under Xvfb (returns only when already there).
build_scripted_play() {  # build folder, script, its arguments...
    if [ -z "${VELM_UNDER_XVFB:-}" ]; then
        cmake --build "$1" --target VelmUpdate velm_make_catalogue scripted_update_server \
            -j 2 >&2
        rerun_under_xvfb "${@:2}"
    fi
}

# A fresh BASE with the archiver's folder, the catalogue and an empty
# BASE/servidor to serve; sets program, server_program and shots.
lay_scripted_play() {  # build folder, base folder
    program="$1/app/VelmUpdate"
    server_program="$1/tests/sync/scripted_update_server"
    shots="$2/screenshots"
    rm -rf "$2"
    mkdir -p "$shots" "$2/servidor"
    make_programs_folder "$2"
    make_catalogue "$1/upgrade/velm_make_catalogue" "$2" "$2/dados/BASE.GDB"
}

# The release both plays serve: five files newer than the installation's,
# three of them replacing its programs.
write_release() {  # served folder
    head -c 300000 /dev/urandom >"$1/App_Vezra_Lista.exe"
    printf 'biblioteca nova\r\n' >"$1/Vezra_Base.dll"
    head -c 200000 /dev/urandom >"$1/App_Vezra_Solicita.exe"
    printf 'leia-me novo\r\n' >"$1/LEIAME.TXT"
    printf 'MZ configuracao nova\n' >"$1/App_Vezra_Config.exe"
}
release_files=(App_Vezra_Lista.exe Vezra_Base.dll App_Vezra_Solicita.exe LEIAME.TXT
    App_Vezra_Config.exe)

# A listing line for each named file of the served folder, dated as a
# release newer than the installation's programs, written to LISTING.
write_listing() {  # served folder, listing file, names...
    local served=$1 out=$2 listing="" name size
    shift 2
    for name in "$@"; do
        size=$(stat -c %s "$served/$name")
        listing+=$(printf -- '-rw-r--r--   1 owner group %8s Dec  9 17:45 %s\\r\\n' "$size" "$name")
    done
    printf '%b' "$listing" >"$out"
}

# Every file of an installation folder but the run's own (its log, its
# settings, the empty file it locks the folder with), with its bytes'
# checksum and its time: two states compare equal only when nothing landed.
folder_state() {  # folder
    (cd "$1" && find . -type f ! -name VelmUpdate.log ! -name atualiza.cfg \
        ! -name VelmUpdate.lock -printf '%p %TY-%Tm-%Td %TH:%TM ' \
        -exec sha256sum {} \; | sort)
}

# One run of the program in the installation folder against a scripted
# server started for it: the gate, "&Atualizar agora", then either the one
# information box (shot as SHOTS/NAME-box.png) or the closing text in the
# log, the screen at the end (SHOTS/NAME-end.png), and "&Sair".
play_scripted_run() {  # program, server program, served folder, listing, folder, shots, name, box|nobox, [server arguments...]
    local program=$1 server=$2 served=$3 listing=$4 folder=$5 shots=$6 name=$7 box=$8
    shift 8
    local port i
    coproc SCRIPTED_SERVER { exec "$server" "$served" "$listing" "$@"; }
    scripted_server_pid=$SCRIPTED_SERVER_PID
    read -r port <&"${SCRIPTED_SERVER[0]}"
    point_at_server "$folder" "$port"
    (
        cd "$folder"
        # Windows and the box waited for up to 30 s.
        start_update "$program" 30
        if [ "$box" = box ]; then
            answer_box "$shots/$name-box.png" 30
        else
            for ((i = 0; i < 300; i++)); do
                grep -q 'run end' VelmUpdate.log 2>/dev/null && break
                sleep 0.1
            done
        fi
        sleep 1
        shot_screen "$shots/$name-end.png"
        leave_update
    )
    kill "$scripted_server_pid"
    wait "$scripted_server_pid" 2>/dev/null || true
    scripted_server_pid=
}
