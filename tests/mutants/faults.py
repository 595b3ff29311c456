#!/usr/bin/python3
"""Plants realistic one-line faults in the program, one at a time, and runs the tests that should
catch each: a fault the tests miss is a gap in them. Each fault names a piece of text that occurs
exactly once in the program's sources (wherever the file lives), its replacement, and a CTest
name pattern. The source is restored after each fault, also when the run is interrupted.

Usage: faults.py BUILD_DIR [NAME_PART...]   (a configured build with the tests; see scripts/mutants.sh)
"""
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
PROGRAM = ("app", "signin", "transfer", "localfs", "ftp")

FAULTS = [
    # The FTP engine
    ("reply parser: multi-line start", "text.size() >= 4 && text.at(3) == '-'",
     "text.size() >= 4 && text.at(3) == ' '", "ftp_parsers|ftp_scripted"),
    ("DOS listing: 12 PM", 'ampm == "PM" && hour < 12', 'ampm == "PM" && hour <= 12', "ftp_parsers"),
    ("DOS listing: 12 AM", 'ampm == "AM" && hour == 12', 'ampm == "AM" && hour == 0', "ftp_parsers"),
    ("active mode: any peer accepted", "if (m_socket || !sameHost(s->peerAddress(), m_peer)) {",
     "if (m_socket) {", "ftp_scripted"),
    ("TLS data connection: any certificate", "if (m_socket->peerCertificate() != m_expected) {",
     "if (false) {", "ftp_scripted"),
    ("rename over a file: temporary not kept", "    keepTemporary = true;\n", "",
     "ftp_scripted|ftp_transfers"),
    ("TLS: extra authorities replace the system's",
     "config.setCaCertificates(QSslConfiguration::systemCaCertificates() +",
     "config.setCaCertificates(QList<QSslCertificate>() +", "system_trust"),
    ("skip unchanged: size ignored", "remote.size != local.size)", "false)", "ftp_session"),
    ("sends: what the session made is never forgotten", "            m_conn->madeFolders.clear();\n",
     "", "ftp_session"),
    ("sends: nothing ahead with the rename", "        sendAheadFor(s.conn(), *next);\n",
     "        (void)next;\n", "ftp_transfers|ftp_session"),
    ("data connection: a stale port sent ahead changes the mode", "    if (failed->ahead)\n",
     "    if (false)\n", "ftp_scripted"),
    ("sends: an EPSV sent ahead with no file to serve",
     "    if (const FileJob* next = !retry && m_claimNext ? m_claimNext() : nullptr)\n"
     "        sendAheadFor(*m_conn, *next);",
     "    if (!retry)\n        m_conn->sendAhead();", "ftp_transfers|ftp_session"),
    ("abort: an extra connection leaves its temporary",
     "        m_conn->send(QStringLiteral(\"DELE \") + m_job.temporary, false);\n    m_conn->forgetPending();",
     "        (void)0;\n    m_conn->forgetPending();", "tst_upload|ftp_transfers"),
    ("TLS 1.3 data connections share one context",
     "if (!m_dataContext && m_socket->sessionProtocol() != QSsl::TlsV1_3)", "if (!m_dataContext)",
     "ftp_transfers|ftp_session"),
    ("TLS: data connections in clear", 's.require(QStringLiteral("PROT P"));',
     's.require(QStringLiteral("PROT C"));', "ftp_session"),
    ("listings: names of a server without UTF-8 read as UTF-8",
     "const QString text = m_utf8 ? QString::fromUtf8(b) : QString::fromLatin1(b);",
     "const QString text = QString::fromUtf8(b);", "ftp_parsers|ftp_scripted"),
    ("STOR sent ahead: given up, its temporary stays", "    m_givingUp = ahead;\n    send(ahead.undo, false);",
     "    m_givingUp = ahead;", "ftp_scripted|ftp_transfers"),
    ("STOR sent ahead: given up, what follows does not wait for it",
     "    if (m_givingUp) {\n        m_held += line;\n    } else if (!m_closed) {",
     "    if (!m_closed) {", "ftp_scripted|ftp_transfers"),
    ("STOR sent ahead: given up without its data connection",
     "            m_givingUpData->connectTo(peerAddress(), *port);", "", "ftp_scripted|ftp_transfers"),
    ("operations: a second one starts while one runs", "    if (m_op)\n        throw FtpError(kErrBusy",
     "    if (false)\n        throw FtpError(kErrBusy", "ftp_session"),
    ("abort: pyftpdlib's lone 225 to ABOR taken for the aborted command",
     "if (raw.code == 225 && m_abortSeq > m_answered)", "if (false)", "ftp_scripted"),
    ("receive: a download cut short taken as whole",
     "if (f.sized && !ascii && received != f.size)", "if (false)", "ftp_scripted"),
    ("receive: an ASCII download refused for its line ends",
     "if (f.sized && !ascii && received != f.size)", "if (f.sized && received != f.size)",
     "ftp_session"),
    ("receive: a listed name with a path in it written", "} else if (!isSafeLocalName(e.name)) {",
     "} else if (false) {", "ftp_scripted"),
    ("replies: a trickled reply never overdue",
     "    if (!m_replyClock.isActive())\n        m_replyClock.start();",
     "    m_replyClock.start();", "ftp_scripted"),
    ("listings: a trickled listing never ends", "const QDeadlineTimer deadline(allowed);",
     "const QDeadlineTimer deadline(QDeadlineTimer::Forever);", "ftp_scripted"),
    ("data connection: one that never opens costs the session",
     "s.conn().timeout() * 3 / 4", "s.conn().timeout() * 5 / 4", "ftp_scripted"),
    ("progress: a file sent again after a reconnect takes the bar back",
     "m_percent = qMax(m_percent, percent());", "m_percent = percent();", "ftp_parsers"),
    ("sends: the transfer type sent again for every file",
     "    if (conn().type == want)\n        return;\n", "", "ftp_session"),
    # Sign-in and settings
    ("settings: empty quoted value", "const bool quoted = value.size() >= 2",
     "const bool quoted = value.size() > 2", "signin_settings"),
    ("settings: a value with a line feed written", "return text.contains(u'\\r') || text.contains(u'\\n');",
     "return text.contains(u'\\r');", "signin_settings"),
    ("password cipher: key cycle", "p = (p + 1) % key.size();", "p = (p + 1) % (key.size() - 1);",
     "signin"),
    ("sign-in: an unticked password still saved", "(ui->chkSavePassword->isChecked()", "(true",
     "signin_login"),
    ("connection check: unknown reachability counts as offline",
     "return reachability == Reach::Online || reachability == Reach::Unknown;",
     "return reachability == Reach::Online;", "signin_login"),
    ("sign-in: a LAN reached by WiFi counts as no connection",
     "if (medium == Medium::Ethernet || medium == Medium::WiFi)", "if (medium == Medium::Ethernet)",
     "signin_login"),
    ("prompt: messages lose their line breaks",
     "ui->Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);", "", "signin_login"),
    ("settings: a connection count out of range used as it is",
     "return ok ? std::clamp(count, 1, 10) : 4;", "return ok ? count : 4;", "signin_settings"),
    ("settings: port 0 from the file used", "return ok && port > 0 && port <= 65535",
     "return ok && port <= 65535", "signin_settings"),
    ("password cipher: a saved password of fifty characters or more read back cut",
     "const bool asWritten = digits == 2 || (digits > 2 && value[0] != u'0');",
     "const bool asWritten = digits == 2;", "signin_settings"),
    ("settings: the file with the saved password readable by others",
     "    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);\n", "", "signin_login"),
    # The local side
    ("local folder: created from a name with a path in it",
     "if (!self || name.isEmpty() || !isAcceptableName(name))", "if (!self || name.isEmpty())",
     "tst_localside"),
    ("local delete: stops at the first failure",
     "deleted = m_xLocalPaths.DeleteLocalFile(path) && deleted;",
     "deleted = deleted && m_xLocalPaths.DeleteLocalFile(path);", "tst_localside"),
    ("path box: another spelling of a listed path keeps leading to the old folder",
     "CB->setItemData(present, sPathToAdd);", "(void)present;", "tst_localside"),
    ("local rename: a name with a path in it moves the entry elsewhere",
     "    if (name.isEmpty() || !isAcceptableName(name)) {", "    if (name.isEmpty()) {",
     "tst_localside"),
    ("local rename: the path built from the upper-cased row text",
     "const QString path = folder + rowNameOf(row);", "const QString path = folder + row->text(0);",
     "tst_localside"),
    ("local folder removal: the path built from the upper-cased row text",
     "const QString path = m_sLocalPath + rowNameOf(row);",
     "const QString path = m_sLocalPath + row->text(0);", "tst_localside"),
    # Command rules and texts
    ("view address: not percent-encoded", "QString::fromLatin1(QUrl::toPercentEncoding(rowText))",
     "rowText", "transfertexts|tst_remote"),
    ("special folders: cgi-bin deletable",
     'return rowText == QLatin1String("cgi-bin") || rowText == QLatin1String("cp") ||',
     'return rowText == QLatin1String("cp") ||', "commandrules|tst_remote"),
    ("published projects: one more than the limit allowed",
     "return remoteRowTexts.size() >= special + kPublishedProjectLimit;",
     "return remoteRowTexts.size() > special + kPublishedProjectLimit;", "commandrules"),
    # The transfer window
    ("TLS: an account that had TLS signs in in clear", "? ftp::kTlsRequire", "? ftp::kTlsAuto",
     "tst_session"),
    ("TLS: a trusted certificate asked about again",
     "previous.compare(c.fingerprint, Qt::CaseInsensitive) == 0)", "false)", "tst_session"),
    ("transfers: the caller's folder not restored", "            settleFolder(session);\n", "",
     "tst_upload"),
    ("replace questions: Yes to All not kept", "        m_replaceAnswer = answer;\n",
     "        (void)answer;\n", "tst_upload"),
    ("window: a longer status cut off", "holder->setMinimumHeight(qMax(", "(void)(qMax(",
     "tst_upload"),
    ("window: a longer status moves the lists",
     "delete layout->replaceWidget(label, this);\n        label->setParent(this);",
     "label->setParent(this);\n        layout->addWidget(this);\n        layout->addWidget(label);",
     "tst_upload"),
    ("window: closed during a transfer without asking", "return !m_busy.transferring() ||",
     "return true ||", "tst_upload"),
    ("window: the chosen projects folder not used at the next start",
     "        projects.folder = chosenProjectDir();", "        (void)0;", "tst_startup"),
    ("window: a read-only installation's settings not carried over",
     "QFile::copy(program + settings, config + settings);", "(void)0;", "tst_startup"),
    ("window: No to All not kept", "if (reply == Replace::YesToAll || reply == Replace::NoToAll)",
     "if (reply == Replace::YesToAll)", "tst_upload"),
    ("window: file rows uploaded as projects",
     "if (row->isSelected() && rowKindOf(row) == kFolderRow)\n                projects << rowNameOf(row);",
     "if (row->isSelected())\n                projects << rowNameOf(row);", "tst_upload"),
    ("window: an upload's failure hidden by the listing", "    m_window.StatusBarInfo(outcome);\n}",
     "    (void)outcome;\n}", "tst_upload"),
    ("window: the local list not read again after a download",
     "        m_receiver.Receive(entries, m_window.localPath());\n    }\n    m_window.RefreshLocalFileList();",
     "        m_receiver.Receive(entries, m_window.localPath());\n    }", "tst_upload"),
    ("deletion stopped part-way: the server left inside the tree",
     "            m_xFtp.ChangeFolder(savedFolder);\n        } catch", "            (void)0;\n        } catch",
     "tst_remote"),
    ("window: initialize.txt's folder taken past its \"&\"", "folder.truncate(amp);", "(void)amp;",
     "tst_startup"),
    ("window: Upload starts a second operation while one runs",
     "    m_window.busy().runIfIdle([this] {\n        UploadSelectedProjects();",
     "    std::invoke([this] {\n        UploadSelectedProjects();", "tst_upload"),
    ("window: the remote list not read again after an upload",
     "    m_remote.RefreshRemoteFileList();\n    // The listing", "    // The listing", "tst_upload"),
    ("window: commands follow clicks, not keyboard selection",
     "connect(ui->lstLocalFileList, &QTreeWidget::itemSelectionChanged,",
     "connect(ui->lstLocalFileList, &QTreeWidget::itemClicked,", "tst_session|tst_upload"),
]


def occurrences(text):
    found = []
    for top in PROGRAM:
        for path in sorted((ROOT / top).rglob("*")):
            if path.suffix in (".cpp", ".h") and path.is_file():
                count = path.read_text(encoding="utf-8").count(text)
                found += [path] * count
    return found


def run(cmd, cwd):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    wanted = [w.lower() for w in sys.argv[2:]]
    caught = missed = 0
    for name, text, replacement, tests in FAULTS:
        if wanted and not any(w in name.lower() for w in wanted):
            continue
        places = occurrences(text)
        if len(places) != 1:
            print(f"STALE   {name}: the text occurs {len(places)} times", flush=True)
            missed += 1
            continue
        path = places[0]
        original = path.read_text(encoding="utf-8")
        try:
            path.write_text(original.replace(text, replacement), encoding="utf-8")
            if run(["cmake", "--build", str(build), "-j2"], ROOT) != 0:
                print(f"BROKEN  {name}: the fault does not build", flush=True)
                missed += 1
                continue
            failed = run(["ctest", "-R", tests, "--timeout", "300", "-j2"], build) != 0
        finally:
            path.write_text(original, encoding="utf-8")
        caught += failed
        missed += not failed
        print(f"{'caught' if failed else 'MISSED'}  {name}  ({path.relative_to(ROOT)}; {tests})",
              flush=True)
    run(["cmake", "--build", str(build), "-j2"], ROOT)
    print(f"{caught} caught, {missed} missed")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
