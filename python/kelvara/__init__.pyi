# Type stubs of the kelvara package: the extension's names (its own stubs, _kelvara.pyi).
from ._kelvara import *
