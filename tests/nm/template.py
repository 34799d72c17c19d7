'''NetworkManager on a private bus for the tests: python-dbusmock's own
template, with what nmcli 1.42 asks of NetworkManager and the template lacks.

Added here:
- Settings.AddConnection2 and Settings.Connection.Update2 (nmcli's "connection
  add" and its editor's "save"); Update and Update2 replace the settings
  whole, as NetworkManager does, and start nothing.
- Device.Disconnect (nmcli's "device disconnect"), and the Wi-Fi device's
  ActiveAccessPoint, which nmcli marks as the one in use.
- Manager.ActivateConnection checks the key: a secured access point has a
  passphrase (SetPassphrase); a connection without it ends the way
  NetworkManager ends it when nobody gives the right secret, deactivated with
  the reason "no secrets"; a connection to a network that is not in range is
  refused as NetworkManager refuses it.
- RefuseChanges(True): adding, changing and activating answer as polkit's
  refusal does.
'''

import dbus
import dbusmock
from dbusmock import MOCK_IFACE
from gi.repository import GLib

import dbusmock.templates.networkmanager as nm
from dbusmock.templates.networkmanager import *  # noqa: F401,F403 (the template's own methods)

BUS_NAME = nm.BUS_NAME
MAIN_OBJ = nm.MAIN_OBJ
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

PASSPHRASES = {}  # SSID bytes -> passphrase
REFUSE = [False]
FAILED = [0]

NO_SECRETS = 9


def _denied(message):
    return dbus.exceptions.DBusException(message, name='org.freedesktop.NetworkManager.PermissionDenied')


def _check_allowed():
    if REFUSE[0]:
        raise _denied('Insufficient privileges')


def _update(self, settings, *_):
    # NetworkManager takes the new settings whole, as nmcli sends them.
    _check_allowed()
    self.settings = settings
    self.EmitSignal(nm.CSETTINGS_IFACE, 'Updated', '', [])
    return {}


def _add_connection(self, settings, *_):
    _check_allowed()
    path = nm.SettingsAddConnection(self, settings)
    conn = dbusmock.get_object(path)
    conn.AddMethod(nm.CSETTINGS_IFACE, 'Update', 'a{sa{sv}}', '', _update)
    conn.AddMethod(nm.CSETTINGS_IFACE, 'Update2', 'a{sa{sv}}ua{sv}', 'a{sv}', _update)
    return path


def _add_connection2(self, settings, flags, args):
    return (_add_connection(self, settings), dbus.Dictionary({}, signature='sv'))


def _set_access_point(dev_path, ap_path):
    manager = dbusmock.get_object(nm.MANAGER_OBJ)
    nm.SetProperty(manager, dev_path, nm.WIRELESS_DEVICE_IFACE, 'ActiveAccessPoint',
                   dbus.ObjectPath(ap_path, variant_level=1))


def _device_disconnect(self):
    active = self.Get(nm.DEVICE_IFACE, 'ActiveConnection')
    if str(active) != '/':
        nm.deactivate_connection(dbusmock.get_object(nm.MANAGER_OBJ), active)
    _set_access_point(self.path, '/')


def _fail_later(manager, active_path, dev_path):
    ac = dbusmock.get_object(active_path)
    ac.Set(nm.ACTIVE_CONNECTION_IFACE, 'State', dbus.UInt32(4))
    ac.EmitSignal(nm.ACTIVE_CONNECTION_IFACE, 'StateChanged', 'uu', [dbus.UInt32(4), dbus.UInt32(NO_SECRETS)])
    ac.EmitSignal('org.freedesktop.DBus.Properties', 'PropertiesChanged', 'sa{sv}as',
                  [nm.ACTIVE_CONNECTION_IFACE, {'State': dbus.UInt32(4, variant_level=1)}, []])
    nm.RemoveActiveConnection(manager, dev_path, active_path)
    return False


def _activate(self, conn_path, dev_path, specific):
    if REFUSE[0]:
        raise _denied('Not authorized to control networking.')
    conn = dbusmock.get_object(conn_path)
    settings = conn.settings
    ssid = bytes(settings['802-11-wireless']['ssid'])
    dev = dbusmock.get_object(dev_path)
    ap_path = None
    for path in dev.access_points:
        if bytes(dbusmock.get_object(path).Get(nm.ACCESS_POINT_IFACE, 'Ssid')) == ssid:
            ap_path = path
            break
    iface = dev.Get(nm.DEVICE_IFACE, 'Interface')
    if ap_path is None:
        raise dbus.exceptions.DBusException(
            f'No suitable device found for this connection (device {iface} not available because profile is '
            f'not compatible with device (no access point with SSID {ssid!r})).',
            name='org.freedesktop.NetworkManager.UnknownConnection')
    # What was active on the device goes first.
    old = dev.Get(nm.DEVICE_IFACE, 'ActiveConnection')
    if str(old) != '/':
        nm.deactivate_connection(self, old)
        _set_access_point(dev_path, '/')
    want = PASSPHRASES.get(ssid)
    given = settings.get('802-11-wireless-security', {}).get('psk')
    if want is not None and str(given) != want:
        FAILED[0] += 1
        active = nm.AddActiveConnection(self, [dev_path], conn_path, ap_path, f'failing{FAILED[0]}', dbus.UInt32(1))
        GLib.timeout_add(50, _fail_later, self, active, dev_path)
        return dbus.ObjectPath(active)
    active = nm.activate_connection(self, dbus.ObjectPath(conn_path), dbus.ObjectPath(dev_path), ap_path)
    _set_access_point(dev_path, ap_path)
    return active


@dbus.service.method(MOCK_IFACE, in_signature='ays', out_signature='')
def SetPassphrase(self, ssid, passphrase):
    '''The passphrase of the access points named ssid (bytes).'''
    PASSPHRASES[bytes(ssid)] = str(passphrase)


@dbus.service.method(MOCK_IFACE, in_signature='b', out_signature='')
def RefuseChanges(self, refuse):
    '''Whether polkit refuses every change and activation.'''
    REFUSE[0] = bool(refuse)


@dbus.service.method(MOCK_IFACE, in_signature='ssi', out_signature='s')
def AddWiFiDevice(self, device_name, iface_name, state):
    '''The template's Wi-Fi device, with Disconnect.'''
    path = nm.AddWiFiDevice(self, device_name, iface_name, state)
    dev = dbusmock.get_object(path)
    dev.AddMethod(nm.DEVICE_IFACE, 'Disconnect', '', '', _device_disconnect)
    dev.AddProperty(nm.WIRELESS_DEVICE_IFACE, 'ActiveAccessPoint', dbus.ObjectPath('/'))
    return path


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='a{sv}')
def ConnectionSettings(self, path, setting):
    '''One setting of a saved connection as NetworkManager keeps it, secrets
    included.'''
    return dbus.Dictionary(dbusmock.get_object(path).settings.get(setting, {}), signature='sv')


def load(mock, parameters):
    PASSPHRASES.clear()
    REFUSE[0] = False
    nm.load(mock, parameters)
    settings = dbusmock.get_object(nm.SETTINGS_OBJ)
    settings.AddMethod(nm.SETTINGS_IFACE, 'AddConnection', 'a{sa{sv}}', 'o', _add_connection)
    settings.AddMethod(nm.SETTINGS_IFACE, 'AddConnection2', 'a{sa{sv}}ua{sv}', 'oa{sv}', _add_connection2)
    manager = dbusmock.get_object(nm.MANAGER_OBJ)
    manager.AddMethod(nm.MANAGER_IFACE, 'ActivateConnection', 'ooo', 'o', _activate)
