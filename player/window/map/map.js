// The location picker's page. The player publishes itself as "tavenor" over
// the web channel: tileUrl, the saved longitude and latitude, and
// onClickedOnMap(longitude, latitude) for each click on the map, and the
// notice shown while the tiles cannot be loaded, in the user's language.
(function () {
    'use strict';

    var kZoom = 10;
    var kWorldZoom = 3;
    var map = L.map('map', { worldCopyJump: true });
    var marker = null;
    var notice = document.getElementById('notice');

    function placeMarker(latlng) {
        if (marker === null)
            marker = L.marker(latlng).addTo(map);
        else
            marker.setLatLng(latlng);
    }

    // Leaflet wraps longitudes past the date line; the guest wants -180..180.
    function wrapped(latlng) {
        return latlng.wrap();
    }

    function start(bridge) {
        window.tavenor = bridge;
        notice.textContent = bridge.tilesUnreachableText;
        var layer = L.tileLayer(bridge.tileUrl, {
            maxZoom: 19,
            attribution: '&copy; OpenStreetMap contributors'
        });
        layer.on('tileerror', function () { notice.hidden = false; });
        layer.on('tileload', function () { notice.hidden = true; });
        layer.addTo(map);

        if (bridge.hasSavedPosition) {
            var saved = L.latLng(bridge.latitude, bridge.longitude);
            map.setView(saved, kZoom);
            placeMarker(saved);
        } else {
            map.setView([0, 0], kWorldZoom);
        }

        map.on('click', function (event) {
            var place = wrapped(event.latlng);
            placeMarker(event.latlng);
            bridge.onClickedOnMap(place.lng, place.lat);
        });
    }

    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
        notice.textContent = 'This page runs inside the player only.';
        notice.hidden = false;
        return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
        start(channel.objects.tavenor);
    });
})();
