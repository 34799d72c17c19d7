#!/usr/bin/python3
'''The program as a user installs it: "cmake --install" into a prefix with
blanks and non-ASCII letters, the build folder out of the way (nothing of it
on PATH or in the environment), the installed zelnar run in a terminal
(tmux) on the practice networks, with its sound written to a WAV file. A
TAVIRO.INI of the user's points the sound directory into the installation,
which the program must still not write into. Also checks the desktop entry
and renders both manual pages.'''

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, '..', '..')
BUILD = os.environ['ZELNAR_BUILD_DIR']


def wait_for(check, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if check():
            return
        time.sleep(0.2)
    raise AssertionError(f'not within {seconds} s: {what}')


class Installed(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='zelnar-install-')
        self.prefix = os.path.join(self.tmp, 'pr\u00e9 fix', 'zel nar')
        # A profile a practice run left in the build's sound folder, key and all.
        left = os.path.join(BUILD, 'drives', 'c', 'kelmar', 'som', 'zelnar', 'zelnar.xml')
        if not os.path.exists(left):
            with open(left, 'w') as f:
                f.write('<keyMaterial>cafezinho10</keyMaterial>\n')
        subprocess.run(['cmake', '--install', BUILD, '--prefix', self.prefix], check=True,
                       stdout=subprocess.DEVNULL)
        self.tmux = ['tmux', '-L', 'zelnar-install-' + str(os.getpid())]

    def tearDown(self):
        subprocess.run(self.tmux + ['kill-server'], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def screen(self):
        r = subprocess.run(self.tmux + ['capture-pane', '-p', '-t', 'z'], capture_output=True)
        return r.stdout.decode('utf-8', errors='replace')

    def keys(self, *keys, literal=False):
        subprocess.run(self.tmux + ['send-keys', '-t', 'z'] + (['-l'] if literal else []) + list(keys), check=True)

    def test_the_installed_program_speaks_lists_connects_and_writes_nothing_into_its_installation(self):
        home = os.path.join(self.tmp, 'home')
        sounds = os.path.join(self.prefix, 'share', 'zelnar', 'drives', 'c', 'kelmar', 'som', 'zelnar')
        self.assertTrue(os.path.isfile(os.path.join(self.prefix, 'libexec', 'zelnar', 'netsh')))
        self.assertTrue(os.path.isfile(os.path.join(sounds, 'ZLINIC.wav')))
        self.assertFalse(os.path.exists(os.path.join(sounds, 'zelnar.xml')), 'a key went into the installation')
        config = os.path.join(home, '.config', 'taviro')
        os.makedirs(config)
        with open(os.path.join(self.prefix, 'share', 'zelnar', 'drives', 'c', 'windows', 'TAVIRO.INI'), 'rb') as f:
            defaults = f.read()
        with open(os.path.join(config, 'TAVIRO.INI'), 'wb') as f:
            f.write(b'[ZELNAR]\r\nDIRZELNAR=' + sounds.encode('latin-1') + b'\r\n' + defaults)
        marker = os.path.join(self.tmp, 'marker')
        open(marker, 'w').close()
        time.sleep(0.01)
        wav = os.path.join(self.tmp, 'said.wav')
        env = {'PATH': '/usr/bin:/bin', 'HOME': home, 'TERM': 'xterm', 'ZELNAR_VIDEO': 'terminal',
               'ZELNAR_AUDIO': 'wav:' + wav, 'ZELNAR_WIFI': 'sim:', 'LANG': 'C.UTF-8'}
        command = ['env', '-i'] + [f'{k}={v}' for k, v in env.items()] + [os.path.join(self.prefix, 'bin', 'zelnar')]
        subprocess.run(self.tmux + ['new-session', '-d', '-s', 'z', '-x', '80', '-y', '25', '-c', self.tmp,
                                    ' '.join("'" + a.replace("'", "'\\''") + "'" for a in command)], check=True)
        wait_for(lambda: 'Padaria P\u00e3o Quente, segura, sinal 54%' in self.screen(), 60, 'the practice networks')
        self.assertIn('CasaAzul, conectado, segura, sinal 88%', self.screen())
        # The fifth network, Padaria Pão Quente, which has no profile yet.
        self.keys('Down', 'Down', 'Down', 'Down', 'Enter')
        wait_for(lambda: 'Digite a chave de seguran\u00e7a' in self.screen(), 60, 'the key prompt')
        self.keys('paoquente77', literal=True)
        self.keys('Enter')
        # The next pass's list shows it connected (the message itself stands
        # only while it is spoken, too short a time to poll for reliably).
        wait_for(lambda: 'Padaria P\u00e3o Quente, conectado' in self.screen(), 60, 'the connection')
        # The profile went to the user's state folder, not into the installation.
        self.assertTrue(os.path.isfile(os.path.join(home, '.local', 'state', 'zelnar', 'zelnar.xml')))
        written = subprocess.run(['find', self.prefix, '-newer', marker], capture_output=True, text=True).stdout
        self.assertEqual(written, '')
        # It spoke: samples that are not silence after the 44-byte header.
        with open(wav, 'rb') as f:
            data = f.read()
        self.assertGreater(len(data), 44 + 22050)
        self.assertTrue(any(b != 0 for b in data[44:]))

    def test_desktop_entry_and_manual_pages(self):
        desktop = os.path.join(self.prefix, 'share', 'applications', 'zelnar.desktop')
        r = subprocess.run(['desktop-file-validate', desktop], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotIn('error', r.stdout.lower())
        for page, heading in (('man/man1/zelnar.1.gz', 'NAME'), ('man/pt_BR/man1/zelnar.1.gz', 'NOME')):
            r = subprocess.run(['man', '--warnings', '-l', os.path.join(self.prefix, 'share', page)],
                               capture_output=True, text=True, env={'PATH': '/usr/bin:/bin', 'MANPAGER': 'cat',
                                                                    'LANG': 'C.UTF-8'})
            self.assertEqual((r.returncode, r.stderr), (0, ''))
            self.assertIn('\n' + heading + '\n', r.stdout)
        self.assertTrue(glob.glob(os.path.join(self.prefix, 'share', 'icons', 'hicolor', '*', 'apps', 'zelnar.*')))


if __name__ == '__main__':
    unittest.main(verbosity=2)
