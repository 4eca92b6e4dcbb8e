"""The site's values and their rules: host, brand, icon and the site file.

Configure (tools/configure_site.py) and the release command both use it, so
a value is judged the same way wherever it is given."""

from .brand import BRAND_MAX_COLUMNS, DEFAULT_BRAND, check_brand
from .errors import SiteError
from .file_names import MAX_HOST_LENGTH
from .host import Host, check_host
from .icon import DEFAULT_ICON, MAX_PIXELS, icon_image
from .site_file import Signing, Site, load_site
from .signing import Signer, check_signature, check_signing, check_timestamps, sign

__all__ = [
    'BRAND_MAX_COLUMNS', 'DEFAULT_BRAND', 'check_brand', 'SiteError', 'MAX_HOST_LENGTH', 'Host', 'check_host',
    'DEFAULT_ICON', 'MAX_PIXELS', 'icon_image', 'Signing', 'Site', 'load_site', 'Signer', 'check_signature',
    'check_signing', 'check_timestamps', 'sign',
]
