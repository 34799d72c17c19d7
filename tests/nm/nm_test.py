#!/usr/bin/python3
'''build/netsh over the real nmcli against NetworkManager on a private system
bus (python-dbusmock's template with the additions in template.py beside
this file), and one run of the whole program against it.

Exits 77 (skipped) only when no D-Bus bus can be started.'''

import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import unittest

import dbus
import dbusmock

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.environ.get('ZELNAR_BUILD_DIR', os.path.join(HERE, '..', '..', 'build'))
NETSH = os.path.join(BUILD, 'netsh')
NMCLI = '/usr/bin/nmcli'

DEV = '/org/freedesktop/NetworkManager/Devices/wlan0'
WPA2 = 0x188  # PSK, CCMP pairwise and group
HOSTILE = b'\x00\r\n:\\"$(rm -rf ~)\xff'

STOPPED = ('O Servi\xe7o de Configura\xe7\xe3o Autom\xe1tica de Rede Sem Fio (wlansvc) n\xe3o est\xe1 em '
           'execu\xe7\xe3o.\r\n')
NOT_ALLOWED = ('o NetworkManager n\xe3o deixou este usu\xe1rio alterar as redes sem fio. Use o Zelnar numa '
               'sess\xe3o aberta no pr\xf3prio computador, ou com sudo, ou pe\xe7a ao administrador que ponha '
               'seu usu\xe1rio no grupo netdev.\r\n')


def profile_xml(name, key):
    '''The profile file as the program writes it (name in Latin-1).'''
    hexname = name.encode('latin-1').hex().upper()
    return ('<?xml version="1.0"?>\r\n'
            '<WLANProfile xmlns="http://www.microsoft.com/networking/WLAN/profile/v1">\r\n'
            f'<name>{name}\r\n</name><SSIDConfig><SSID><hex>{hexname}</hex><name>{name}\r\n</name></SSID>'
            '</SSIDConfig><connectionType>ESS</connectionType><connectionMode>auto</connectionMode>'
            '<MSM><security><authEncryption><authentication>WPA2PSK</authentication>'
            '<encryption>AES</encryption><useOneX>false</useOneX></authEncryption>'
            '<sharedKey><keyType>passPhrase</keyType><protected>false</protected>'
            f'<keyMaterial>{key.replace("&", "&amp;").replace("<", "&lt;")}</keyMaterial></sharedKey>'
            '</security></MSM></WLANProfile>\r\n').encode('latin-1')


class NetworkManagerMock(dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix='zelnar-nm-')
        os.chmod(cls.tmp, 0o755)
        cls.mock_proc, cls.nm = cls.spawn_server_template(
            os.path.join(HERE, 'template.py'), {'Version': '1.42.4'}, stdout=subprocess.DEVNULL)
        cls.mock = dbus.Interface(cls.nm, dbusmock.MOCK_IFACE)
        # nmcli, with every command line it is given written down first.
        os.makedirs(os.path.join(cls.tmp, 'bin'))
        cls.log = os.path.join(cls.tmp, 'nmcli.log')
        wrapper = os.path.join(cls.tmp, 'bin', 'nmcli')
        with open(wrapper, 'w') as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$@" -- >> {cls.log}\nexec {NMCLI} "$@"\n')
        os.chmod(wrapper, 0o755)

    @classmethod
    def tearDownClass(cls):
        cls.mock_proc.terminate()
        cls.mock_proc.wait()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.mock.Reset()
        self.runtime = tempfile.mkdtemp(dir=self.tmp)
        if os.path.exists(self.log):
            os.remove(self.log)
        self.world()

    def world(self):
        m = self.mock
        m.AddWiFiDevice('wlan0', 'wlp2s0', 30)
        self.aps = {
            'cafe': m.AddAccessPoint(DEV, 'cafe', 'Caf\xe9 Central', '3C:84:6A:10:22:01', 2, 5180, 54000, 72, WPA2),
            'casa': m.AddAccessPoint(DEV, 'casa', 'CasaAzul', '00:11:22:33:44:55', 2, 2437, 54000, 80, WPA2),
            'bib': m.AddAccessPoint(DEV, 'bib', 'Biblioteca', '66:77:88:99:AA:BB', 2, 2412, 54000, 40, 0),
            'hostile': m.AddAccessPoint(DEV, 'hostile', 'x', '52:0F:76:5E:01:9B', 2, 2462, 54000, 30, WPA2),
        }
        m.SetProperty(self.aps['hostile'], 'org.freedesktop.NetworkManager.AccessPoint', 'Ssid',
                      dbus.ByteArray(HOSTILE, variant_level=1))
        m.SetPassphrase(dbus.ByteArray('Caf\xe9 Central'.encode()), 'cafe2024')
        m.SetPassphrase(dbus.ByteArray(b'CasaAzul'), 'k3y "$(touch /tmp/owned)"; `id` x')
        # A saved connection, active.
        settings = self.system_bus().get_object('org.freedesktop.NetworkManager',
                                                '/org/freedesktop/NetworkManager/Settings')
        conn = settings.AddConnection({
            'connection': {'id': 'Caf\xe9 Central', 'uuid': '5b0c2a3e-7f41-4c55-9a1e-0d3b2c4f6a10',
                           'type': '802-11-wireless'},
            '802-11-wireless': {'ssid': dbus.ByteArray('Caf\xe9 Central'.encode()), 'mode': 'infrastructure'},
            '802-11-wireless-security': {'key-mgmt': 'wpa-psk', 'psk': 'cafe2024'},
        }, dbus_interface='org.freedesktop.NetworkManager.Settings')
        manager = self.system_bus().get_object('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')
        manager.ActivateConnection(conn, DEV, '/', dbus_interface='org.freedesktop.NetworkManager')

    def system_bus(self):
        return self.get_dbus(system_bus=True)

    def env(self, **extra):
        env = {
            'PATH': os.path.join(self.tmp, 'bin') + ':/usr/bin:/bin',
            'DBUS_SYSTEM_BUS_ADDRESS': os.environ['DBUS_SYSTEM_BUS_ADDRESS'],
            'ZELNAR_WIFI': 'nm',
            'XDG_RUNTIME_DIR': self.runtime,
            'HOME': self.runtime,
            # nmcli in Portuguese, unless netsh says otherwise.
            'LANGUAGE': 'pt_BR:pt',
            'LANG': 'pt_BR.UTF-8',
        }
        env.update(extra)
        return env

    def netsh(self, *args, user=None, **extra):
        # The program hands netsh Latin-1 words.
        cmd = [NETSH, *(a.encode('latin-1') for a in args)]
        env = self.env(**extra)
        if user:
            cmd = ['setpriv', f'--reuid={user}', f'--regid={pwd.getpwnam(user).pw_gid}', '--clear-groups', *cmd]
            os.chown(self.runtime, pwd.getpwnam(user).pw_uid, -1)
        r = subprocess.run(cmd, env=env, capture_output=True, timeout=60)
        return r.stdout.decode('latin-1'), r.returncode

    def add_profile(self, name, key, **kw):
        path = os.path.join(self.runtime, 'zelnar.xml')
        with open(path, 'wb') as f:
            f.write(profile_xml(name, key))
        os.chmod(path, 0o644)
        return self.netsh('wlan', 'add', 'profile', 'filename=' + path, **kw)

    def connections(self):
        '''Saved connections: id -> object path.'''
        bus = self.system_bus()
        out = {}
        settings = bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager/Settings')
        for path in settings.ListConnections(dbus_interface='org.freedesktop.NetworkManager.Settings'):
            c = self.mock.ConnectionSettings(path, 'connection')
            out[str(c['id'])] = path
        return out

    def active_id(self):
        dev = self.system_bus().get_object('org.freedesktop.NetworkManager', DEV)
        active = dev.Get('org.freedesktop.NetworkManager.Device', 'ActiveConnection',
                         dbus_interface=dbus.PROPERTIES_IFACE)
        if str(active) == '/':
            return None
        ac = self.system_bus().get_object('org.freedesktop.NetworkManager', active)
        return str(ac.Get('org.freedesktop.NetworkManager.Connection.Active', 'Id',
                          dbus_interface=dbus.PROPERTIES_IFACE))

    def command_lines(self):
        with open(self.log, 'rb') as f:
            return f.read()

    def test_lists_the_networks_with_signal_and_security(self):
        def net(n, name, auth, cipher):
            return (f'SSID {n} : {name}\r\n    Tipo de rede            : Infraestrutura\r\n'
                    f'    Autentica\xe7\xe3o            : {auth}\r\n    Criptografia            : {cipher}\r\n')

        def ap(bssid, signal, radio, channel):
            return (f'    BSSID 1                 : {bssid}\r\n         Sinal             : {signal}%\r\n'
                    f'         Tipo de r\xe1dio      : {radio}\r\n         Canal              : {channel}\r\n')
        expected = ('Nome da interface : wlp2s0\r\nH\xe1 4 redes vis\xedveis no momento.\r\n\r\n' +
                    net(1, 'CasaAzul', 'WPA2-Personal', 'CCMP') + ap('00:11:22:33:44:55', 80, '802.11n', 6) +
                    net(2, 'Caf\xe9 Central', 'WPA2-Personal', 'CCMP') +
                    ap('3c:84:6a:10:22:01', 72, '802.11ac', 36) +
                    net(3, 'Biblioteca', 'Aberta', 'Nenhuma') + ap('66:77:88:99:aa:bb', 40, '802.11n', 1) +
                    net(4, '???:\\"$(rm -rf ~)\xff', 'WPA2-Personal', 'CCMP') +
                    ap('52:0f:76:5e:01:9b', 30, '802.11n', 11))
        self.assertEqual(self.netsh('wlan', 'show', 'networks', 'mode=bssid'), (expected, 0))
        interfaces, _ = self.netsh('wlan', 'show', 'interfaces')
        for line in ('    Estado                 : conectado\r\n', '    SSID                   : Caf\xe9 Central\r\n',
                     '    Sinal                  : 72%\r\n', '    Perfil                 : Caf\xe9 Central\r\n'):
            self.assertIn(line, interfaces)
        profiles, _ = self.netsh('wlan', 'show', 'profiles')
        self.assertIn('    Perfil de Todos os Usu\xe1rios : Caf\xe9 Central\r\n', profiles)

    def test_a_typed_key_reaches_networkmanager_and_no_command_line(self):
        key = 'k3y "$(touch /tmp/owned)"; `id` x'
        self.assertEqual(self.add_profile('CasaAzul', key), ('O perfil CasaAzul foi adicionado na interface wlp2s0.\r\n', 0))
        path = self.connections()['CasaAzul']
        self.assertEqual(str(self.mock.ConnectionSettings(path, '802-11-wireless-security')['psk']), key)
        self.assertEqual(bytes(self.mock.ConnectionSettings(path, '802-11-wireless')['ssid']), b'CasaAzul')
        # NetworkManager leaves out a setting at its default: autoconnect yes.
        self.assertTrue(self.mock.ConnectionSettings(path, 'connection').get('autoconnect', True))
        self.assertEqual(self.netsh('wlan', 'connect', 'name=CasaAzul'),
                         ('Solicita\xe7\xe3o de conex\xe3o conclu\xedda com \xeaxito.\r\n', 0))
        self.assertEqual(self.active_id(), 'CasaAzul')
        self.assertNotIn(b'k3y', self.command_lines())
        self.assertIn(b'connection\nadd\n', self.command_lines())

    def test_the_added_connection_belongs_to_the_user(self):
        out, status = self.add_profile('CasaAzul', 'k3y "$(touch /tmp/owned)"; `id` x', user='nobody')
        self.assertEqual((out, status), ('O perfil CasaAzul foi adicionado na interface wlp2s0.\r\n', 0))
        path = self.connections()['CasaAzul']
        self.assertEqual([str(p) for p in self.mock.ConnectionSettings(path, 'connection')['permissions']],
                         ['user:nobody:'])

    def test_a_wrong_key_fails_and_its_profile_goes(self):
        self.add_profile('CasaAzul', 'errada123')
        self.assertEqual(self.netsh('wlan', 'connect', 'name=CasaAzul'),
                         ('Falha ao conectar \xe0 rede "CasaAzul": a chave de seguran\xe7a da rede n\xe3o est\xe1 '
                          'correta.\r\n', 1))
        self.assertNotEqual(self.active_id(), 'CasaAzul')
        self.assertEqual(self.netsh('wlan', 'delete', 'profile', 'name=CasaAzul'),
                         ('O perfil "CasaAzul" foi exclu\xeddo da interface "wlp2s0".\r\n', 0))
        self.assertEqual(sorted(self.connections()), ['Caf\xe9 Central'])

    def test_the_connected_network_disconnects(self):
        self.assertEqual(self.netsh('wlan', 'disconnect'),
                         ('Solicita\xe7\xe3o de desconex\xe3o conclu\xedda com \xeaxito para a interface "wlp2s0".\r\n',
                          0))
        self.assertIsNone(self.active_id())
        self.assertIn('    Estado                 : desconectado\r\n', self.netsh('wlan', 'show', 'interfaces')[0])

    def test_a_refusal_of_polkit_is_told_in_words_to_act_on(self):
        self.mock.RefuseChanges(True)
        self.assertEqual(self.add_profile('CasaAzul', 'segredo123'),
                         ('Falha ao adicionar o perfil: ' + NOT_ALLOWED, 1))
        self.assertEqual(self.netsh('wlan', 'connect', 'name=CasaAzul'),
                         ('Falha na solicita\xe7\xe3o de conex\xe3o: ' + NOT_ALLOWED, 1))
        self.assertEqual(self.netsh('wlan', 'connect', 'name=Caf\xe9 Central'),
                         ('Falha na solicita\xe7\xe3o de conex\xe3o: ' + NOT_ALLOWED, 1))
        self.assertEqual(sorted(self.connections()), ['Caf\xe9 Central'])

    def test_the_radio_switched_off(self):
        # Airplane mode: NetworkManager keeps the device, "unavailable".
        self.mock.Reset()
        self.mock.AddWiFiDevice('wlan0', 'wlp2s0', 20)
        self.mock.SetProperty('/org/freedesktop/NetworkManager', 'org.freedesktop.NetworkManager',
                              'WirelessEnabled', False)
        off = ('A interface de rede local sem fio est\xe1 desligada e n\xe3o oferece suporte \xe0 '
               'opera\xe7\xe3o solicitada.\r\n', 1)
        self.assertEqual(self.netsh('wlan', 'show', 'networks', 'mode=bssid'), off)
        self.assertEqual(self.netsh('wlan', 'connect', 'name=CasaAzul'), off)

    def test_no_wifi_device_and_no_networkmanager(self):
        self.mock.Reset()
        self.assertEqual(self.netsh('wlan', 'show', 'networks', 'mode=bssid'),
                         ('N\xe3o h\xe1 nenhuma interface sem fio no sistema.\r\n', 1))
        self.assertEqual(self.netsh('wlan', 'show', 'interfaces', DBUS_SYSTEM_BUS_ADDRESS='unix:path=/nonexistent'),
                         (STOPPED, 1))

    def test_the_whole_program(self):
        program = os.path.join(BUILD, 'tests', 'nm_program')
        env = dict(os.environ)
        env.update(self.env(ZELNAR_BUILD_DIR=BUILD))
        r = subprocess.run([program], env=env, capture_output=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stdout.decode(errors='replace')[-3000:])
        # The wrong key's connection went again.
        self.assertEqual(sorted(self.connections()), ['Caf\xe9 Central'])


def main():
    if not os.access(NETSH, os.X_OK):
        print(f'{NETSH} is not built', file=sys.stderr)
        return 1
    # A system bus of our own that, like the real one, lets every user in.
    conf_dir = tempfile.mkdtemp(prefix='zelnar-bus-')
    conf = os.path.join(conf_dir, 'system.conf')
    with open(conf, 'w') as f:
        f.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"\n'
                ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n'
                '<busconfig><type>system</type><keep_umask/><listen>unix:tmpdir=/tmp</listen>'
                '<policy context="default"><allow user="*"/><allow send_destination="*" eavesdrop="true"/>'
                '<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>\n')
    try:
        pid, address = dbusmock.DBusTestCase.start_dbus(conf=conf)
    except Exception as e:  # noqa: BLE001
        print(f'SKIPPED: D-Bus cannot start here: {e}')
        return 77
    os.environ['DBUS_SYSTEM_BUS_ADDRESS'] = address
    try:
        result = unittest.main(argv=[sys.argv[0]] + sys.argv[1:], exit=False, verbosity=2).result
    finally:
        dbusmock.DBusTestCase.stop_dbus(pid)
        shutil.rmtree(conf_dir, ignore_errors=True)
    return 0 if result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
