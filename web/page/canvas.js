// The board's canvas: its size in device pixels, following its box and the device's
// ratio; the drawing the game asks for (fills, dotted lines, text and its measures);
// and the repaints, through `Page.repaint(now)`, the page's one entry point for them.
Object.assign(Page, {
  // Drawing, in the canvas's device pixels.
  css(colour) { return '#' + (colour >>> 0).toString(16).padStart(6, '0'); },
  colourOf(cssColour) {
    const [r, g, b] = cssColour.match(/\d+/g).map(Number);
    return (r << 16) | (g << 8) | b;
  },
  textColour() { return Page.colourOf(getComputedStyle(Page.canvas).color); },
  background() { return Page.colourOf(getComputedStyle(Page.canvas).backgroundColor); },
  fill(left, top, right, bottom, colour) {
    Page.context.fillStyle = Page.css(colour);
    Page.context.fillRect(left, top, right - left, bottom - top);
  },
  // Runs of three pixels on, three off, from the first point up to the last (left out),
  // each run a filled rectangle: a canvas stroke would blur the dots.
  dottedLine(x0, y0, x1, y1, colour) {
    const dx = Math.sign(x1 - x0), dy = Math.sign(y1 - y0);
    const length = Math.max(Math.abs(x1 - x0), Math.abs(y1 - y0));
    Page.context.fillStyle = Page.css(colour);
    for (let i = 0; i < length; i += 6) {
      const run = Math.min(3, length - i) - 1;
      const xa = x0 + dx * i, ya = y0 + dy * i, xb = xa + dx * run, yb = ya + dy * run;
      Page.context.fillRect(Math.min(xa, xb), Math.min(ya, yb), Math.abs(xb - xa) + 1,
                            Math.abs(yb - ya) + 1);
    }
  },
  // The status font: Arial (or its metric twin) at the points' device pixels, rounded.
  font(points) {
    return Math.max(1, Math.round(points * 96 * Page.ratio / 72)) + 'px Arial, "Liberation Sans"';
  },
  writeText(text, left, top, right, bottom, colour, points, centred) {
    const context = Page.context;
    context.font = Page.font(points);
    context.fillStyle = Page.css(colour);
    context.textAlign = centred ? 'center' : 'left';
    context.textBaseline = 'alphabetic';
    const measure = context.measureText(text);
    const ascent = measure.fontBoundingBoxAscent, descent = measure.fontBoundingBoxDescent;
    const baseline = top + Math.round((bottom - top - (ascent + descent)) / 2 + ascent);
    context.fillText(text, centred ? Math.floor((left + right) / 2) : left, baseline);
  },
  // A font's average character width as desktop fonts state it: the mean width of the
  // lowercase letters and the space, weighted by how often each occurs in text.
  averageCharWidth(points) {
    const font = Page.font(points);
    if (Page.charWidths[font] === undefined) {
      const weights = [64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56, 56, 17, 4, 49, 56,
                       71, 31, 10, 18, 3, 18, 2];
      Page.context.font = font;
      let sum = 166 * Page.context.measureText(' ').width;
      weights.forEach((weight, i) => {
        sum += weight * Page.context.measureText(String.fromCharCode(97 + i)).width;
      });
      Page.charWidths[font] = Math.round(sum / 1000);
    }
    return Page.charWidths[font];
  },
  // The whole board at the next frame, or at once.
  repaint(now) {
    if (now) return _web_paint();
    if (Page.paintPending) return;
    Page.paintPending = true;
    requestAnimationFrame(() => {
      Page.paintPending = false;
      if (!Page.ended) _web_paint();
    });
  },
  // The canvas takes the device pixels of its box, at the device's current ratio.
  fitCanvas(width, height) {
    Page.ratio = window.devicePixelRatio || 1;
    Page.charWidths = {};
    Page.canvas.width = width;
    Page.canvas.height = height;
    _web_resize(width, height);
    if (!Page.painted) {
      Page.painted = true;
      requestAnimationFrame(() => {
        performance.mark('board-shown');  // the first frame showing the board, for measures
        setTimeout(Page.makeAudio, 0);
      });
    }
  },
  // Where the engine reports no device-pixel box (WebKit): the content box's edges
  // snapped to device pixels, as the engines snap the canvas where they draw it.
  snappedSize() {
    const box = Page.canvas.getBoundingClientRect(), ratio = window.devicePixelRatio || 1;
    const snap = edge => Math.round(edge * ratio);
    return [snap(box.right) - snap(box.left), snap(box.bottom) - snap(box.top)];
  },
  // The canvas follows its box and the device's ratio. A new ratio (a zoom, another
  // screen) has the box observed afresh, which reports it again in the new pixels.
  observeSize() {
    const observer = new ResizeObserver(entries => {
      const box = entries[entries.length - 1].devicePixelContentBoxSize;
      if (Page.ended) return;
      if (box) Page.fitCanvas(box[0].inlineSize, box[0].blockSize);
      else Page.fitCanvas(...Page.snappedSize());
    });
    const observe = () => {
      try {
        observer.observe(Page.canvas, {box: 'device-pixel-content-box'});
      } catch (error) {
        observer.observe(Page.canvas);
      }
    };
    const followRatio = () => {
      matchMedia('(resolution: ' + window.devicePixelRatio + 'dppx)').addEventListener('change', () => {
        observer.unobserve(Page.canvas);
        observe();
        followRatio();
      }, {once: true});
    };
    observe();
    followRatio();
  },
});
